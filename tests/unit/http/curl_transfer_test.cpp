// The transfer object without a network: typed option setters, escaping, the
// object's life cycle. Transfers themselves are in the integration tests.

#include "http/curl_transfer.h"

#include <gtest/gtest.h>

#include <type_traits>

#include "http/curl_mime_form.h"
#include "support/curl_global_environment.h"

namespace orvane {
namespace {

const auto* const kCurl = ::testing::AddGlobalTestEnvironment(new testing::CurlGlobalEnvironment);

static_assert(!std::is_copy_constructible_v<CurlTransfer>);
static_assert(!std::is_copy_assignable_v<CurlTransfer>);
static_assert(!std::is_copy_constructible_v<CurlMimeForm>);
static_assert(!std::is_copy_assignable_v<CurlMimeForm>);

TEST(CurlTransfer, EmptyUntilInitAndAfterCleanup) {
  CurlTransfer transfer;
  EXPECT_EQ(transfer.handle(), nullptr);
  EXPECT_EQ(transfer.perform(), CURLE_BAD_FUNCTION_ARGUMENT);
  EXPECT_FALSE(transfer.setUploadData("x"));
  EXPECT_FALSE(transfer.setWriteHandler([](const char*, std::size_t n) { return n; }));
  EXPECT_EQ(transfer.uploadBuffer(), nullptr);
  EXPECT_EQ(transfer.bodyBytes(), "");
  EXPECT_EQ(transfer.responseCode(), 0);

  ASSERT_TRUE(transfer.init());
  EXPECT_NE(transfer.handle(), nullptr);
  ASSERT_NE(transfer.uploadBuffer(), nullptr);
  EXPECT_EQ(transfer.uploadBuffer()->capacity(), 512u);
  EXPECT_TRUE(transfer.setUploadData("payload"));
  EXPECT_TRUE(transfer.appendUploadData("+more"));
  EXPECT_EQ(transfer.uploadBuffer()->view(), "payload+more");
  EXPECT_TRUE(transfer.setUploadData("new"));
  EXPECT_EQ(transfer.uploadBuffer()->view(), "new");
  EXPECT_TRUE(transfer.clearBuffers());
  EXPECT_EQ(transfer.uploadBuffer()->length(), 0u);

  transfer.cleanup();
  transfer.cleanup();
  EXPECT_EQ(transfer.handle(), nullptr);
}

TEST(CurlTransfer, TypedSettersRefuseOptionsOfAnotherType) {
  CurlTransfer transfer;
  ASSERT_TRUE(transfer.init());
  struct Case {
    const char* what;
    CURLcode got;
    CURLcode expected;
  };
  const Case cases[] = {
      {"long option as long", transfer.setOption(CURLOPT_FOLLOWLOCATION, 0), CURLE_OK},
      {"text option as long", transfer.setOption(CURLOPT_URL, 1), CURLE_BAD_FUNCTION_ARGUMENT},
      {"list option as text", transfer.setOptionText(CURLOPT_HTTPHEADER, "X: y"),
       CURLE_BAD_FUNCTION_ARGUMENT},
      // libcurl keeps this pointer without copying: refused.
      {"uncopied pointer as text", transfer.setOptionText(CURLOPT_POSTFIELDS, "a=b"),
       CURLE_BAD_FUNCTION_ARGUMENT},
      {"text option as text", transfer.setOptionText(CURLOPT_URL, "http://127.0.0.1/"), CURLE_OK},
      {"long option as 64", transfer.setOption64(CURLOPT_FRESH_CONNECT, 1), CURLE_OK},
      {"off_t option as 64", transfer.setOption64(CURLOPT_MAXFILESIZE_LARGE, 5'000'000'000),
       CURLE_OK},
      {"text option as 64", transfer.setOption64(CURLOPT_URL, 1), CURLE_BAD_FUNCTION_ARGUMENT},
      {"blob option as bytes", transfer.setOptionBytes(CURLOPT_SSLCERT_BLOB, "not a cert"),
       CURLE_OK},
      {"text option as bytes", transfer.setOptionBytes(CURLOPT_URL, "x"),
       CURLE_BAD_FUNCTION_ARGUMENT},
      {"unknown option", transfer.setOption(static_cast<CURLoption>(99999), 1),
       CURLE_UNKNOWN_OPTION},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.got, c.expected) << c.what;
  }
}

TEST(CurlTransfer, InfoReadersRefuseCodesOfAnotherType) {
  CurlTransfer transfer;
  ASSERT_TRUE(transfer.init());
  std::vector<std::string> texts{"stale"};
  EXPECT_EQ(transfer.infoList(CURLINFO_CERTINFO, texts), CURLE_BAD_FUNCTION_ARGUMENT);
  EXPECT_TRUE(texts.empty());
  EXPECT_EQ(transfer.infoText(CURLINFO_RESPONSE_CODE), "");
  EXPECT_EQ(transfer.infoLong(CURLINFO_EFFECTIVE_URL), 0);
  std::vector<std::vector<std::string>> certificates;
  EXPECT_EQ(transfer.infoCertificates(CURLINFO_COOKIELIST, certificates),
            CURLE_BAD_FUNCTION_ARGUMENT);
  EXPECT_EQ(transfer.infoCertificates(CURLINFO_CERTINFO, certificates), CURLE_OK);
  EXPECT_TRUE(certificates.empty());
}

TEST(CurlTransfer, EscapeAndUnescape) {
  CurlTransfer transfer;
  ASSERT_TRUE(transfer.init());
  struct Case {
    std::string plain;
    std::string escaped;
  };
  const Case cases[] = {
      {"", ""},
      {"abc-._~", "abc-._~"},
      {"a b&c=d/e", "a%20b%26c%3Dd%2Fe"},
      {"排行", "%E6%8E%92%E8%A1%8C"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(transfer.escape(c.plain), c.escaped) << c.plain;
    EXPECT_EQ(transfer.unescape(c.escaped), c.plain) << c.escaped;
  }
  EXPECT_EQ(transfer.unescape("a+b%2"), "a+b%2");
  // The decoded text ends at its first NUL.
  EXPECT_EQ(transfer.unescape("ab%00cd"), "ab");
}

TEST(CurlTransfer, DuplicatedHandleIsDetachedAndCanBeAdopted) {
  CurlTransfer original;
  ASSERT_TRUE(original.init());
  ASSERT_EQ(original.setHeaders({"X-One: 1"}), CURLE_OK);
  CurlEasyHandle copy = original.duplicateHandle();
  ASSERT_TRUE(copy);
  char* owner = reinterpret_cast<char*>(&original);
  ASSERT_EQ(curl_easy_getinfo(copy.get(), CURLINFO_PRIVATE, &owner), CURLE_OK);
  EXPECT_EQ(owner, nullptr);

  CurlTransfer adopter;
  ASSERT_TRUE(adopter.adoptHandle(copy.release()));
  ASSERT_NE(adopter.uploadBuffer(), nullptr);
  ASSERT_EQ(curl_easy_getinfo(adopter.handle(), CURLINFO_PRIVATE, &owner), CURLE_OK);
  EXPECT_EQ(owner, reinterpret_cast<char*>(&adopter));
  EXPECT_NE(adopter.handle(), original.handle());
}

TEST(CurlTransfer, AdoptingAnotherTransfersHandleMovesIt) {
  auto first = std::make_unique<CurlTransfer>();
  ASSERT_TRUE(first->init());
  ASSERT_TRUE(first->setUploadData("carried"));
  CURL* handle = first->handle();

  CurlTransfer second;
  ASSERT_TRUE(second.adoptHandle(handle));
  EXPECT_EQ(second.handle(), handle);
  EXPECT_EQ(first->handle(), nullptr);
  ASSERT_NE(second.uploadBuffer(), nullptr);
  EXPECT_EQ(second.uploadBuffer()->view(), "carried");
  // The first one going away must not take the handle with it.
  first.reset();
  EXPECT_EQ(second.escape("a b"), "a%20b");
  EXPECT_TRUE(second.adoptHandle(second.handle()));
  EXPECT_EQ(second.handle(), handle);
  EXPECT_FALSE(second.adoptHandle(nullptr));
  EXPECT_EQ(second.handle(), nullptr);
}

TEST(CurlMimeForm, NeedsAHandleAndStopsAtTheFirstFailure) {
  CurlMimeForm form;
  EXPECT_FALSE(form.init(nullptr));
  EXPECT_FALSE(form.addData("a", "b"));

  CurlTransfer transfer;
  ASSERT_TRUE(transfer.init());
  ASSERT_TRUE(form.init(transfer.handle()));
  EXPECT_NE(form.handle(), nullptr);
  EXPECT_TRUE(form.addData("field", "value", "text/plain"));
  EXPECT_FALSE(form.addFile("upload", "/nonexistent/orvane-no-such-file"));
  form.free();
  EXPECT_EQ(form.handle(), nullptr);
  form.free();
}

}  // namespace
}  // namespace orvane
