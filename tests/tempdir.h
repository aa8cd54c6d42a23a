#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#if defined(_WIN32)
#include <process.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <vector>

#include <gtest/gtest.h>

namespace sscm::test {

/// Runs each test in a fresh empty working directory, removed afterwards: the commands write
/// their scratch, log and result files to the working directory.
class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = std::filesystem::current_path();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("sscm-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
                std::to_string(processId()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }

    const std::filesystem::path& dir() const { return dir_; }

    /// Writes `bytes` to the file `name` in the working directory, exactly as given.
    static void writeFile(const std::string& name, const std::string& bytes) {
        std::ofstream f(name, std::ios::binary);
        f << bytes;
    }
    /// The whole content of a file, byte for byte ("" when it does not exist).
    static std::string readFile(const std::string& name) {
        std::ifstream f(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    static bool exists(const std::string& name) { return std::filesystem::exists(name); }
    /// Runs the program `program` with `args` in the working directory, standard output to
    /// out.txt and standard error to err.txt; its exit status.
    static int runProgram(const std::string& program, const std::vector<std::string>& args) {
#if defined(_WIN32)
        // cmd.exe: arguments in double quotes, the whole line once more, as cmd /c takes it.
        std::string cmd = "\"\"" + program + "\"";
        for (const auto& a : args)
            cmd += " \"" + a + "\"";
        cmd += " >out.txt 2>err.txt\"";
        return std::system(cmd.c_str());
#else
        std::string cmd = "'" + program + "'";
        for (const auto& a : args)
            cmd += " '" + a + "'";
        cmd += " >out.txt 2>err.txt";
        const int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    }

private:
    static int processId() {
#if defined(_WIN32)
        return ::_getpid();
#else
        return int(::getpid());
#endif
    }

    std::filesystem::path old_;
    std::filesystem::path dir_;
};

} // namespace sscm::test
