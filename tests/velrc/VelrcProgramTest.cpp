// The velrc program: a faulty script gives "file:line: message" and exit status 1; a good one a
// table, a dump or exported pictures.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

struct RunResult {
  int status;
  std::string output;  // standard output and error together
};

RunResult RunVelrc(const std::string& arguments) {
  std::string command = std::string(VELRC_PATH) + " " + arguments + " 2>&1";
  RunResult run{-1, ""};
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr)
    return run;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
    run.output += buffer;
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class VelrcProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        std::filesystem::temp_directory_path() / ("velrc_program_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string Write(const std::string& name, const std::string& text) {
    std::filesystem::path path = folder_ / name;
    std::ofstream(path) << text;
    return path.string();
  }

  std::filesystem::path folder_;
};

TEST_F(VelrcProgram, FaultsExitNonZeroWithFileAndLine) {
  std::string script = Write("bad.vrc", "STRINGTABLE\nBEGIN\n  1 \"a\"\n  1 \"b\"\nEND\n");
  RunResult run = RunVelrc("-o " + (folder_ / "out.cpp").string() + " " + script);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, script + ":4: duplicate string id 1\n");
  EXPECT_FALSE(std::filesystem::exists(folder_ / "out.cpp")) << "no table from a faulty script";

  EXPECT_EQ(RunVelrc("--dump").status, 2);
  EXPECT_EQ(RunVelrc("--dump " + (folder_ / "missing.vrc").string()).status, 1);
}

TEST_F(VelrcProgram, TableAndDump) {
  std::string script = Write("good.vrc",
                             "LANGUAGE 9, 1\n5 DIALOG 0, 0, 20, 10\nCAPTION \"T\"\nBEGIN\n"
                             "  PUSHBUTTON \"Go\", 1, 0, 0, 9, 9\n  COMBOBOX 2, 0, 0, 9, 9\nEND\n"
                             "STRINGTABLE\nBEGIN\n  3 \"line\\nbreak\"\nEND\n");
  RunResult run = RunVelrc("-o " + (folder_ / "out.cpp").string() + " " + script);
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(std::filesystem::exists(folder_ / "out.cpp"));
  run = RunVelrc("--dump " + script);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output,
            "DIALOG 5 \"T\" 20 x 10 language 1033\n"
            "  1 button \"Go\"\n"
            "  2 combo box\n"
            "STRING 3 \"line\\nbreak\"\n");
}

}  // namespace
