// veldata: writes the driver data file of a printer model.
//
//   veldata [--model NAME] -o FILE   write the model's driver data file
//   veldata --list                   the models it knows, one a line
//   veldata --help
// Exit status: 0 done, 1 the file could not be written, 2 usage error.
#include <iostream>
#include <memory>
#include <string>

#include "framework/core/FrameworkClasses.h"
#include "framework/core/MPersistentComposite.h"
#include "tools/veldata/DriverData.h"

namespace {

constexpr const char* kUsage =
    "usage: veldata [--model NAME] -o FILE\n"
    "       veldata --list\n"
    "       veldata --help\n"
    "Writes the driver data file of a printer model (default vel-laser).\n";

int UsageError(const std::string& message) {
  std::cerr << "veldata: " << message << "\n" << kUsage;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string model = vel::data::kDefaultModel;
  std::string output;
  bool list = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (arg == "--list") {
      list = true;
    } else if (arg == "--model" || arg == "-o") {
      if (i + 1 >= argc) {
        return UsageError(arg + " needs a value");
      }
      (arg == "-o" ? output : model) = argv[++i];
    } else {
      return UsageError("unknown argument '" + arg + "'");
    }
  }
  if (list) {
    for (const std::string& name : vel::data::ModelNames()) {
      std::cout << name << "\n";
    }
    return 0;
  }
  if (output.empty()) {
    return UsageError("no output file (-o FILE)");
  }
  GRegisterFrameworkClasses();
  const std::unique_ptr<MPersistentComposite> data(vel::data::BuildModel(model));
  if (!data) {
    return UsageError("unknown model '" + model + "' (see --list)");
  }
  if (!vel::data::WriteDriverData(*data, output)) {
    std::cerr << "veldata: cannot write " << output << "\n";
    return 1;
  }
  return 0;
}
