#include "tools/keystead/AdminArguments.h"

#include <cstddef>

namespace rc::keystead {

const char* const kAdminUsage =
    "usage:\n"
    "  keystead-admin init VAULT [--postgresql CONNINFO]\n"
    "  keystead-admin user add VAULT NAME [--admin]        (password on standard input)\n"
    "  keystead-admin add VAULT FILE|FOLDER... [--from-list LIST] [--name NAME] [--revision REV] [--ref NAME@REV]...\n"
    "                     [--comment TEXT]      (all in one change: every file is checked in, or none)\n"
    "  keystead-admin list VAULT\n"
    "  keystead-admin log VAULT\n"
    "  keystead-admin get VAULT NAME[@REV] DIRECTORY\n"
    "  keystead-admin check VAULT\n"
    "A \"--\" ends the options: the words after it are operands (a file named \"--x\").\n";

namespace {

// Takes the operands and options of one command from `args` (from `at`).
struct Reader {
  const std::vector<std::string>& args;
  std::size_t at;
  std::vector<std::string> operands;

  // Splits into operands and the options `handle` accepts; `handle(option,
  // value-or-null)` returns whether it took a value. After a "--" every
  // word is an operand (a file named "--x").
  template <typename Handle>
  void read(Handle handle, const std::vector<std::string>& withValue) {
    bool optionsEnded = false;
    for (; at < args.size(); ++at) {
      const std::string& a = args[at];
      if (!optionsEnded && a == "--") {
        optionsEnded = true;
        continue;
      }
      if (optionsEnded || a.size() < 2 || a.compare(0, 2, "--") != 0) {
        operands.push_back(a);
        continue;
      }
      bool takesValue = false;
      for (const std::string& o : withValue) takesValue |= o == a;
      if (takesValue) {
        if (at + 1 >= args.size()) throw UsageError("the option " + a + " needs a value");
        handle(a, &args[++at]);
      } else {
        handle(a, nullptr);
      }
    }
  }
};

void expectOperands(const std::vector<std::string>& operands, std::size_t n, const std::string& command) {
  if (operands.size() != n)
    throw UsageError(command + " takes " + std::to_string(n) + " operand" + (n == 1 ? "" : "s") + ", not " +
                     std::to_string(operands.size()));
}

[[noreturn]] void unknownOption(const std::string& command, const std::string& option) {
  throw UsageError(command + " has no option " + option);
}

}  // namespace

sim::vault::Reference splitAtRevision(const std::string& text) {
  std::size_t at = text.find_last_of('@');
  if (at == std::string::npos) return {text, ""};
  return {text.substr(0, at), text.substr(at + 1)};
}

AdminRequest parseAdminArguments(const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError("no command given");
  AdminRequest r;
  r.command = args[0];
  std::size_t first = 1;
  if (r.command == "user") {
    if (args.size() < 2 || args[1] != "add") throw UsageError("the user command is \"user add\"");
    r.command = "user add";
    first = 2;
  }
  Reader in{args, first, {}};
  if (r.command == "init") {
    in.read([&](const std::string& o, const std::string* v) {
      if (o != "--postgresql") unknownOption(r.command, o);
      r.postgres = *v;
    }, {"--postgresql"});
    expectOperands(in.operands, 1, r.command);
  } else if (r.command == "user add") {
    in.read([&](const std::string& o, const std::string*) {
      if (o != "--admin") unknownOption(r.command, o);
      r.admin = true;
    }, {});
    expectOperands(in.operands, 2, r.command);
    r.file = in.operands[1];
  } else if (r.command == "add") {
    in.read([&](const std::string& o, const std::string* v) {
      // An empty value (an unset shell variable) would silently mean the
      // default: the file's name, the next letter, no list.
      if (v && v->empty() && o != "--comment") throw UsageError("the option " + o + " needs a value, not an empty text");
      if (o == "--name") r.name = *v;
      else if (o == "--revision") r.revision = *v;
      else if (o == "--comment") r.comment = *v;
      else if (o == "--from-list") r.fromList = *v;
      else if (o == "--ref") {
        sim::vault::Reference ref = splitAtRevision(*v);
        if (ref.revision.empty()) throw UsageError("--ref takes NAME@REV, not \"" + *v + "\"");
        r.references.push_back(std::move(ref));
      } else unknownOption(r.command, o);
    }, {"--name", "--revision", "--comment", "--ref", "--from-list"});
    if (in.operands.empty()) throw UsageError("add needs a vault");
    if (in.operands.size() < 2 && r.fromList.empty()) throw UsageError("add needs a file, a folder or --from-list");
    r.files.assign(in.operands.begin() + 1, in.operands.end());
  } else if (r.command == "list" || r.command == "log" || r.command == "check") {
    in.read([&](const std::string& o, const std::string*) { unknownOption(r.command, o); }, {});
    expectOperands(in.operands, 1, r.command);
  } else if (r.command == "get") {
    in.read([&](const std::string& o, const std::string*) { unknownOption(r.command, o); }, {});
    expectOperands(in.operands, 3, r.command);
    r.file = in.operands[1];
    r.directory = in.operands[2];
  } else {
    throw UsageError("unknown command \"" + r.command + "\"");
  }
  r.vault = in.operands[0];
  return r;
}

}  // namespace rc::keystead
