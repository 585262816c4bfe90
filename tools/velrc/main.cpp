// velrc, the resource compiler: reads a resource script and writes the resource table of a module
// (-o), a dump of its dialogs and strings (--dump), or its pictures as files (--export).
//
//   velrc [-I folder]... -o table.cpp [--header H] [--namespace N] [--type T] [--symbol S] script
//   velrc [-I folder]... --dump script
//   velrc [-I folder]... --export folder script
//
// Faults in the script are reported as "file:line: message"; the exit status is then 1 (2 for a
// bad command line).
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/velrc/ResourceForms.h"
#include "tools/velrc/ResourceOutput.h"
#include "tools/velrc/ScriptReader.h"

namespace {

int Usage() {
  std::cerr << "usage: velrc [-I folder]... (-o table.cpp [--header H] [--namespace N] [--type T]"
               " [--symbol S] | --dump | --export folder) script\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vel::velrc;
  ReadOptions options;
  TableNames names;
  std::string output, export_folder, script_path;
  bool dump = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc)
        return false;
      into = argv[++i];
      return true;
    };
    bool ok = true;
    if (arg == "-I") {
      std::string dir;
      ok = value(dir);
      options.include_dirs.push_back(dir);
    } else if (arg == "-o") {
      ok = value(output);
    } else if (arg == "--header") {
      ok = value(names.header);
    } else if (arg == "--namespace") {
      ok = value(names.name_space);
    } else if (arg == "--type") {
      ok = value(names.type);
    } else if (arg == "--symbol") {
      ok = value(names.symbol);
    } else if (arg == "--dump") {
      dump = true;
    } else if (arg == "--export") {
      ok = value(export_folder);
    } else if (!arg.empty() && arg[0] != '-' && script_path.empty()) {
      script_path = arg;
    } else {
      ok = false;
    }
    if (!ok)
      return Usage();
  }
  if (script_path.empty() || (output.empty() && !dump && export_folder.empty()))
    return Usage();

  ResourceScript script;
  ScriptError error;
  std::vector<CompiledResource> resources;
  if (!ReadScript(script_path, options, script, error) ||
      !CompileResources(script, resources, error)) {
    std::cerr << error.Format() << "\n";
    return 1;
  }
  if (dump)
    WriteDump(std::cout, script);
  if (!export_folder.empty()) {
    std::string message;
    if (!ExportPictures(resources, export_folder, message)) {
      std::cerr << "velrc: " << message << "\n";
      return 1;
    }
  }
  if (!output.empty()) {
    std::ostringstream text;
    std::string base = script_path.substr(script_path.find_last_of('/') + 1);
    WriteTable(text, resources, base, names);
    // Written whole or not at all, so that a failed build leaves no half table behind.
    std::string temporary = output + ".tmp";
    {
      std::ofstream out(temporary, std::ios::binary);
      out << text.str();
      if (!out) {
        std::cerr << "velrc: cannot write " << temporary << "\n";
        return 1;
      }
    }
    if (std::rename(temporary.c_str(), output.c_str()) != 0) {
      std::cerr << "velrc: cannot write " << output << "\n";
      return 1;
    }
  }
  return 0;
}
