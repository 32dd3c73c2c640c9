#pragma once
// Opening addresses and files the way a user's double click would: the
// desktop's default application, or the program itself when the file is one.
// Both are true when something was started, false otherwise; neither waits
// for what it started.

#include <string>

namespace orvane {

// Hands the address to the default application for its scheme (a text
// without a scheme is taken as a local path).
bool openUrlWithDefaultApplication(const std::string& url);

// An executable file (a bare name is looked up in PATH when it is not in the
// current folder) is started with `parameters` split into arguments as a
// shell would split them. Anything else that exists, a document or a folder,
// goes to its default application; the parameters then have no use.
bool openFileOrRunProgram(const std::string& path, const std::string& parameters);

}  // namespace orvane
