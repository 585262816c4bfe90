// Ghostscript runner for tests: a child process with a time limit, its output captured in a file.
#include "tests/support/Ghostscript.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>
#include <thread>

#include "tests/support/TempDir.h"

namespace vel::test {

namespace {

std::filesystem::path FindOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) {
    return {};
  }
  std::stringstream folders(path);
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (folder.empty()) {
      continue;
    }
    const std::filesystem::path candidate = std::filesystem::path(folder) / program;
    if (::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return {};
}

bool ReadFile(const std::filesystem::path& path, Bytes* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return false;
  }
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool WriteFile(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

// Runs argv with standard output and error sent to log_path; kills it at the time limit.
void RunChild(const std::vector<std::string>& args,
              const std::filesystem::path& log_path,
              std::chrono::milliseconds time_limit,
              GsRun* run) {
  std::vector<char*> argv;
  for (const std::string& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid < 0) {
    run->output = "fork failed: " + std::string(std::strerror(errno));
    return;
  }
  if (pid == 0) {
    const int log = ::open(log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int null = ::open("/dev/null", O_RDONLY);
    if (log >= 0) {
      ::dup2(log, STDOUT_FILENO);
      ::dup2(log, STDERR_FILENO);
    }
    if (null >= 0) {
      ::dup2(null, STDIN_FILENO);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }

  const auto deadline = std::chrono::steady_clock::now() + time_limit;
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      break;
    }
    if (done < 0 && errno != EINTR) {
      run->output = "waitpid failed";
      return;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      run->timed_out = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  Bytes log;
  ReadFile(log_path, &log);
  run->output.assign(log.begin(), log.end());
  if (!run->timed_out && WIFEXITED(status)) {
    run->exit_code = WEXITSTATUS(status);
  }
}

// Skips blanks and '#' comments of a PPM header, then reads a decimal number.
bool PpmNumber(const Bytes& bytes, std::size_t* pos, long* value) {
  while (*pos < bytes.size()) {
    const std::uint8_t c = bytes[*pos];
    if (c == '#') {
      while (*pos < bytes.size() && bytes[*pos] != '\n') {
        ++*pos;
      }
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++*pos;
    } else {
      break;
    }
  }
  long number = 0;
  std::size_t digits = 0;
  while (*pos < bytes.size() && bytes[*pos] >= '0' && bytes[*pos] <= '9' && digits < 9) {
    number = number * 10 + (bytes[*pos] - '0');
    ++*pos;
    ++digits;
  }
  *value = number;
  return digits > 0;
}

}  // namespace

std::uint32_t GsPage::Pixel(int x, int y) const {
  const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                          static_cast<std::size_t>(x)) *
                         3;
  return (std::uint32_t{rgb.at(at)} << 16) | (std::uint32_t{rgb.at(at + 1)} << 8) | rgb.at(at + 2);
}

bool GsRun::Succeeded() const {
  return exit_code == 0 && !timed_out && output.find("Error:") == std::string::npos;
}

bool GhostscriptAvailable() {
  return !FindOnPath("gs").empty();
}

bool ParsePpm(const Bytes& bytes, GsPage* page) {
  if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] != '6') {
    return false;
  }
  std::size_t pos = 2;
  long width = 0;
  long height = 0;
  long maxval = 0;
  if (!PpmNumber(bytes, &pos, &width) || !PpmNumber(bytes, &pos, &height) ||
      !PpmNumber(bytes, &pos, &maxval) || maxval != 255 || pos >= bytes.size()) {
    return false;
  }
  ++pos;  // the single blank after the maximum value
  const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
  if (bytes.size() - pos < size) {
    return false;
  }
  page->width = static_cast<int>(width);
  page->height = static_cast<int>(height);
  page->rgb.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                   bytes.begin() + static_cast<std::ptrdiff_t>(pos + size));
  return true;
}

GsRun RunGhostscript(const Bytes& job, const GsOptions& options) {
  GsRun run;
  const std::filesystem::path gs = FindOnPath("gs");
  if (gs.empty()) {
    run.output = kGhostscriptMissing;
    return run;
  }
  TempDir temp;
  const std::filesystem::path input = temp.Path() / "job.ps";
  if (!WriteFile(input, job.data(), job.size())) {
    run.output = "cannot write " + input.string();
    return run;
  }
  const bool keep = !options.output_dir.empty();
  const std::filesystem::path pages_dir = keep ? options.output_dir : temp.Path() / "pages";
  std::error_code error;
  std::filesystem::create_directories(pages_dir, error);
  const bool renders = options.device != "nullpage";
  const std::string extension = options.device == "ppmraw"            ? ".ppm"
                                : options.device.rfind("png", 0) == 0 ? ".png"
                                                                      : ".out";

  std::vector<std::string> args = {gs.string(),
                                   "-q",
                                   "-dSAFER",
                                   "-dBATCH",
                                   "-dNOPAUSE",
                                   "-sDEVICE=" + options.device,
                                   "-r" + std::to_string(options.resolution)};
  if (renders) {
    args.push_back("-sOutputFile=" + (pages_dir / ("page-%04d" + extension)).string());
  }
  args.insert(args.end(), options.extra_args.begin(), options.extra_args.end());
  args.push_back(input.string());
  RunChild(args, temp.Path() / "log.txt", options.time_limit, &run);

  if (renders) {
    for (int number = 1;; ++number) {
      char name[32];
      std::snprintf(name, sizeof name, "page-%04d%s", number, extension.c_str());
      const std::filesystem::path file = pages_dir / name;
      if (!std::filesystem::exists(file, error)) {
        break;
      }
      if (options.device == "ppmraw") {
        Bytes bytes;
        GsPage page;
        if (ReadFile(file, &bytes) && ParsePpm(bytes, &page)) {
          run.pages.push_back(std::move(page));
        }
      }
      if (keep) {
        run.page_files.push_back(file);
      }
    }
  }
  return run;
}

GsRun RunGhostscript(const std::string& job, const GsOptions& options) {
  return RunGhostscript(Bytes(job.begin(), job.end()), options);
}

}  // namespace vel::test
