// Runs the qms6093 program the way a user or a script does: arguments, environment, its
// output and exit status.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace qms::test {

struct ProgramResult {
    int status = -1;     // exit status, or 128 + signal
    std::string out;
    std::string err;
    nlohmann::json json() const; // stdout parsed (null when it is not JSON)
    std::vector<nlohmann::json> jsonLines() const; // each line of stdout parsed (JSON Lines)
};

// As `scenario`: QMS_SIM unset, the built-in demo module. It keeps its memory in the state
// folder, which the test binary's main makes one of its own; a test that changes the demo's
// memory names a folder of its own in XDG_STATE_HOME.
inline const std::string kDemoModule = "<demo>";
// As a value in `env`: the variable is removed.
inline const std::string kUnset = "<unset>";

// QMS_REGISTRY is :memory: and QMS_SIM is `scenario` unless `env` says otherwise.
ProgramResult RunProgram(const std::vector<std::string> &args, const std::string &scenario,
                         const std::map<std::string, std::string> &env = {});

// A running program, for tests that signal it.
class RunningProgram {
public:
    RunningProgram(const std::vector<std::string> &args, const std::string &scenario);
    ~RunningProgram();
    void signal(int number);
    ProgramResult wait();

private:
    int pid_ = -1;
    std::string outPath_, errPath_;
};

// A scratch folder removed with the object.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    std::string path(const std::string &name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
};

std::string ReadFile(const std::string &path);
std::vector<std::string> Lines(const std::string &text);
// The cells of a line of an aligned table (split at runs of blanks).
std::vector<std::string> Cells(const std::string &line);

} // namespace qms::test
