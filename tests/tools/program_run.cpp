#include "tests/tools/program_run.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace qms::test {

namespace {

int Spawn(const std::vector<std::string> &args, const std::string &scenario,
          const std::map<std::string, std::string> &env, const std::string &outPath, const std::string &errPath)
{
    std::map<std::string, std::string> vars;
    for (char **e = environ; *e; ++e) {
        const std::string entry = *e;
        const size_t eq = entry.find('=');
        vars[entry.substr(0, eq)] = eq == std::string::npos ? "" : entry.substr(eq + 1);
    }
    vars["QMS_REGISTRY"] = ":memory:";
    vars["QMS_SIM"] = scenario;
    if (scenario == kDemoModule)
        vars.erase("QMS_SIM");
    for (const auto &[name, value] : env)
        if (value == kUnset)
            vars.erase(name);
        else
            vars[name] = value;
    std::vector<std::string> envText;
    for (const auto &[name, value] : vars)
        envText.push_back(name + "=" + value);

    std::vector<std::string> argText = {QMS6093_PROGRAM};
    argText.insert(argText.end(), args.begin(), args.end());
    std::vector<char *> argv, envp;
    for (auto &a : argText)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto &e : envText)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int result = posix_spawn(&pid, QMS6093_PROGRAM, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return result == 0 ? pid : -1;
}

std::string TempPath(const char *what)
{
    static int serial = 0;
    return (std::filesystem::temp_directory_path() /
            ("qms6093-test-" + std::to_string(getpid()) + "-" + std::to_string(++serial) + "." + what))
        .string();
}

ProgramResult Collect(int pid, const std::string &outPath, const std::string &errPath)
{
    ProgramResult result;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid)
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return result;
}

} // namespace

nlohmann::json ProgramResult::json() const
{
    return nlohmann::json::parse(out, nullptr, false);
}

std::vector<nlohmann::json> ProgramResult::jsonLines() const
{
    std::vector<nlohmann::json> objects;
    for (const std::string &line : Lines(out))
        objects.push_back(nlohmann::json::parse(line, nullptr, false));
    return objects;
}

ProgramResult RunProgram(const std::vector<std::string> &args, const std::string &scenario,
                         const std::map<std::string, std::string> &env)
{
    const std::string outPath = TempPath("out"), errPath = TempPath("err");
    return Collect(Spawn(args, scenario, env, outPath, errPath), outPath, errPath);
}

RunningProgram::RunningProgram(const std::vector<std::string> &args, const std::string &scenario)
    : outPath_(TempPath("out")), errPath_(TempPath("err"))
{
    pid_ = Spawn(args, scenario, {}, outPath_, errPath_);
}

RunningProgram::~RunningProgram()
{
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        Collect(pid_, outPath_, errPath_);
    }
}

void RunningProgram::signal(int number)
{
    if (pid_ > 0)
        kill(pid_, number);
}

ProgramResult RunningProgram::wait()
{
    const ProgramResult result = Collect(pid_, outPath_, errPath_);
    pid_ = -1;
    return result;
}

ScratchDir::ScratchDir() : dir_(TempPath("dir"))
{
    std::filesystem::create_directories(dir_);
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::string ReadFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> Cells(const std::string &line)
{
    std::vector<std::string> cells;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        size_t end = line.find("  ", i);
        if (end == std::string::npos)
            end = line.size();
        if (end > i)
            cells.push_back(line.substr(i, end - i));
        i = end;
    }
    return cells;
}

} // namespace qms::test
