// qmscfghost as a user runs it: a screenshot of the plug-in's window, and clear failures when
// there is no plug-in, a library is not one, or no window can be shown. Each run is a process
// of its own.
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct HostRun {
    int status = -1;
    std::string output;
};

HostRun runHost(const std::string &environment, const std::string &arguments)
{
    // fontconfig keeps its configuration for the life of the process (tests/platform/ui/lsan.supp).
    const std::string command = "LSAN_OPTIONS=suppressions=" LSAN_SUPPRESSIONS " QT_QPA_PLATFORM=offscreen " +
                                environment + " " QMSCFGHOST_PATH " " + arguments + " 2>&1";
    HostRun run;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 512> buffer{};
    while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        run.output.append(buffer.data(), n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::filesystem::path scratch(const std::string &name)
{
    const auto folder = std::filesystem::temp_directory_path() / ("qmscfghost_test_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    return folder / name;
}

TEST(CfgHost, ScreenshotShowsThePluginsWholeWindow)
{
    const auto png = scratch("window.png");
    const HostRun run = runHost("", "--screenshot " + png.string());
    ASSERT_EQ(run.status, 0) << run.output;
    std::ifstream file(png, std::ios::binary);
    std::array<unsigned char, 24> head{};
    file.read(reinterpret_cast<char *>(head.data()), head.size());
    ASSERT_TRUE(file) << "no picture written";
    EXPECT_EQ(std::string(head.begin() + 1, head.begin() + 4), "PNG");
    const auto be32 = [&](int at) {
        return static_cast<unsigned>(head[at] << 24 | head[at + 1] << 16 | head[at + 2] << 8 | head[at + 3]);
    };
    // The client area of a 346 x 254 unit dialog in 8-point text.
    EXPECT_EQ(be32(16), 606u);
    EXPECT_EQ(be32(20), 413u);
    std::filesystem::remove_all(png.parent_path());
}

TEST(CfgHost, SaysWhyWhenThereIsNothingToShow)
{
    const auto empty = scratch("empty");
    std::filesystem::create_directories(empty);
    HostRun run = runHost("", "--plugin-dir " + empty.string());
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("no configuration plug-in found"), std::string::npos) << run.output;

    run = runHost("", PLATFORM_LIBRARY_PATH);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("exports no DriverConfig"), std::string::npos) << run.output;

    // The plug-in answers, but no window can be shown: the host ends instead of waiting.
    run = runHost("QMS_UI_BACKEND=/nonexistent/libqmsui-qt.so", "");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("no window was opened"), std::string::npos) << run.output;
    std::filesystem::remove_all(empty.parent_path());
}

} // namespace
