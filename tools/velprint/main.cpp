// velprint: prints job files through a printer driver module. See --help.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/PathMap.h"
#include "platform/engine/EngineFixture.h"
#include "tools/velprint/JobFile.h"
#include "tools/velprint/Player.h"

namespace {

constexpr const char* kHelp =
    "usage: velprint [options] JOB.vjob...\n"
    "Plays each job file through a printer driver module and writes the printer's bytes.\n"
    "  -o FILE          output file (default: the job's `output`, else JOB.prn)\n"
    "  --driver PATH    the render module (default: velgr beside velprint)\n"
    "  --models DIR     folder of the default models, for `printer data=@NAME`\n"
    "                   (default: models beside velprint)\n"
    "  --state DIR      spooler state folder (default: a fresh one in memory)\n"
    "  --root DIR       the folder that NT names map to\n"
    "  --trace          the engine's log lines on standard error, after each statement\n"
    "  --check          fail when an `expect` fails\n"
    "  --canonical      print each parsed job in canonical form and exit\n"
    "  --record FILE    write the job as it played: canonical, every default explicit and\n"
    "                   every result as an `expect`; it replays to the same bytes\n"
    "  --parallel N     play each job on N threads at once (1-64), each with its own DC,\n"
    "                   printer handle and output OUT.1 ... OUT.N\n"
    "  -q               quiet: no warnings\n"
    "  -v               the engine's debug print on standard error\n"
    "  --help, --version\n"
    "exit status: 0 printed, 1 a call or an expect failed, 2 usage or job-file error,\n"
    "3 the module could not be loaded or refused DrvEnableDriver\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace vel::velprint;
  PlayOptions options;
  bool canonical = false;
  bool verbose = false;
  std::vector<std::string> jobs;
  std::vector<std::string> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= args.size()) {
        std::cerr << "velprint: " << arg << " needs a value\n";
        return false;
      }
      *out = args[++i];
      return true;
    };
    if (arg == "--help") {
      std::cout << kHelp;
      return kPrinted;
    } else if (arg == "--version") {
      std::cout << "velprint 1 (job files version 1)\n";
      return kPrinted;
    } else if (arg == "-o") {
      if (!value(&options.output)) return kUsage;
    } else if (arg == "--driver") {
      if (!value(&options.driver)) return kUsage;
    } else if (arg == "--models") {
      if (!value(&options.models)) return kUsage;
    } else if (arg == "--state") {
      if (!value(&options.state)) return kUsage;
    } else if (arg == "--record") {
      if (!value(&options.record)) return kUsage;
    } else if (arg == "--parallel") {
      std::string count;
      if (!value(&count)) return kUsage;
      char* end = nullptr;
      long n = std::strtol(count.c_str(), &end, 10);
      if (count.empty() || *end != '\0' || n < 1 || n > 64) {
        std::cerr << "velprint: --parallel takes a count of 1 to 64\n";
        return kUsage;
      }
      options.parallel = static_cast<int>(n);
    } else if (arg == "-v") {
      verbose = true;
    } else if (arg == "--root") {
      std::string root;
      if (!value(&root)) return kUsage;
      vel::platform::SetPlatformRoot(root);
    } else if (arg == "--trace") {
      options.trace = true;
    } else if (arg == "--check") {
      options.check = true;
    } else if (arg == "--canonical") {
      canonical = true;
    } else if (arg == "-q") {
      options.quiet = true;
    } else if (!arg.empty() && arg[0] == '-') {
      std::cerr << "velprint: unknown option " << arg << "\n" << kHelp;
      return kUsage;
    } else {
      jobs.push_back(arg);
    }
  }
  if (jobs.empty()) {
    std::cerr << kHelp;
    return kUsage;
  }
  if ((!options.output.empty() || !options.record.empty()) && jobs.size() > 1) {
    std::cerr << "velprint: -o and --record take one job file\n";
    return kUsage;
  }
  if (options.parallel > 0 && (options.trace || !options.record.empty())) {
    std::cerr << "velprint: --trace and --record play on one thread\n";
    return kUsage;
  }
  vel::platform::engine::SetDebugPrintEcho(verbose);
  if (options.models.empty()) {
    options.models = (std::filesystem::path(argv[0]).parent_path() / "models").string();
  }
  if (options.driver.empty()) {
    options.driver = (std::filesystem::path(argv[0]).parent_path() / "velgr.so").string();
  }
  // A bare relative name would send the module loader to its search path.
  options.driver = std::filesystem::absolute(options.driver).string();
  // Every job is read and checked before any plays.
  std::vector<Job> parsed;
  for (const std::string& file : jobs) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      std::cerr << file << ": cannot read the job file\n";
      return kUsage;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    auto job = ParseJob(text.str(), file, &error);
    if (!job) {
      std::cerr << error << "\n";
      return kUsage;
    }
    parsed.push_back(std::move(*job));
  }
  if (canonical) {
    for (const Job& job : parsed) {
      std::cout << CanonicalText(job);
    }
    return kPrinted;
  }
  int status = kPrinted;
  for (const Job& job : parsed) {
    int result = PlayJob(job, options, std::cerr);
    status = std::max(status, result);
  }
  return status;
}
