// Parse and write speed of orvane's JSON library, RapidJSON and nlohmann/json
// on the same three inputs, with the ratios printed at the end.
//
//   build/release/bench/json/json_bench [google benchmark flags]
//
// On a busy machine, --benchmark_repetitions=N makes the summary use each
// benchmark's median.
//
// Every figure counts the input text's size per pass, so the three libraries
// are measured on the same unit of work. orvane's parse includes turning the
// UTF-8 text into its UTF-16 tree; its write includes turning it back.
#include <benchmark/benchmark.h>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "bench_inputs.h"
#include "json/json_document.h"

namespace {

struct Input {
  const char* name;
  std::string text;
};

const std::vector<Input>& inputs() {
  static const std::vector<Input> all = {
      {"envelope", orvane::bench::envelopeText()},
      {"leaderboard", orvane::bench::leaderboardText()},
      {"pushpack", orvane::bench::pushPackText()},
  };
  return all;
}

void setBytes(benchmark::State& state, const std::string& text) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}

void parseOrvane(benchmark::State& state, const std::string& text) {
  for (auto _ : state) {
    orvane::JsonDocument doc;
    if (!doc.parse(text)) state.SkipWithError("orvane parse failed");
    benchmark::DoNotOptimize(doc.node());
  }
  setBytes(state, text);
}

void parseRapid(benchmark::State& state, const std::string& text) {
  for (auto _ : state) {
    rapidjson::Document doc;
    doc.Parse(text.data(), text.size());
    if (doc.HasParseError()) state.SkipWithError("RapidJSON parse failed");
    benchmark::DoNotOptimize(doc);
  }
  setBytes(state, text);
}

void parseNlohmann(benchmark::State& state, const std::string& text) {
  for (auto _ : state) {
    nlohmann::json doc = nlohmann::json::parse(text);
    benchmark::DoNotOptimize(doc);
  }
  setBytes(state, text);
}

void writeOrvane(benchmark::State& state, const std::string& text) {
  orvane::JsonDocument doc;
  if (!doc.parse(text)) state.SkipWithError("orvane parse failed");
  for (auto _ : state) {
    std::string out = doc.toText();
    benchmark::DoNotOptimize(out.data());
  }
  setBytes(state, text);
}

void writeRapid(benchmark::State& state, const std::string& text) {
  rapidjson::Document doc;
  doc.Parse(text.data(), text.size());
  for (auto _ : state) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    doc.Accept(writer);
    benchmark::DoNotOptimize(buffer.GetString());
  }
  setBytes(state, text);
}

void writeNlohmann(benchmark::State& state, const std::string& text) {
  const nlohmann::json doc = nlohmann::json::parse(text);
  for (auto _ : state) {
    std::string out = doc.dump();
    benchmark::DoNotOptimize(out.data());
  }
  setBytes(state, text);
}

// Keeps each run's bytes per second for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    // With --benchmark_repetitions the median stands for the benchmark;
    // otherwise its single run does.
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type != Run::RT_Iteration && !median) continue;
      const auto found = run.counters.find("bytes_per_second");
      if (found == run.counters.end()) continue;
      const std::string name = run.run_name.str();
      if (median || medians_.count(name) == 0) rates_[name] = found->second.value;
      if (median) medians_.insert(name);
    }
  }

  void printSummary() const {
    std::printf("\nMB/s (10^6 bytes of input text per second)\n");
    std::printf("%-6s %-12s %9s %10s %10s %9s %12s %12s\n", "", "input", "bytes", "orvane",
                "RapidJSON", "nlohmann", "vs nlohmann", "vs RapidJSON");
    for (const char* op : {"parse", "write"}) {
      for (const Input& input : inputs()) {
        const std::string prefix = std::string(op) + "/" + input.name + "/";
        const double mine = rate(prefix + "orvane");
        const double rapid = rate(prefix + "rapidjson");
        const double nlohmann = rate(prefix + "nlohmann");
        std::printf("%-6s %-12s %9zu %10.1f %10.1f %9.1f %11.2fx %11.2fx\n", op, input.name,
                    input.text.size(), mine / 1e6, rapid / 1e6, nlohmann / 1e6,
                    nlohmann > 0 ? mine / nlohmann : 0.0, rapid > 0 ? mine / rapid : 0.0);
      }
    }
  }

 private:
  double rate(const std::string& name) const {
    const auto found = rates_.find(name);
    return found == rates_.end() ? 0.0 : found->second;
  }

  std::map<std::string, double> rates_;
  std::set<std::string> medians_;
};

void registerAll() {
  using Body = void (*)(benchmark::State&, const std::string&);
  const struct {
    const char* op;
    const char* library;
    Body body;
  } cases[] = {
      {"parse", "orvane", parseOrvane},     {"parse", "rapidjson", parseRapid},
      {"parse", "nlohmann", parseNlohmann}, {"write", "orvane", writeOrvane},
      {"write", "rapidjson", writeRapid},   {"write", "nlohmann", writeNlohmann},
  };
  for (const Input& input : inputs()) {
    for (const auto& c : cases) {
      const std::string name = std::string(c.op) + "/" + input.name + "/" + c.library;
      const Body body = c.body;
      const std::string* text = &input.text;
      benchmark::RegisterBenchmark(name.c_str(),
                                   [body, text](benchmark::State& state) { body(state, *text); });
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  registerAll();
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printSummary();
  benchmark::Shutdown();
  return 0;
}
