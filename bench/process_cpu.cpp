// Times whole processes by their CPU time (user + system, from wait4), which
// a shared machine disturbs far less than wall time. Runs the commands
// alternately, each `runs` times, and prints min / median / max per command
// and the ratios of the first command to the second.
//
//   wqspec_process_cpu RUNS 'STDIN|COMMAND ARG...' 'STDIN|COMMAND ARG...'
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Command {
    std::string text;
    std::string input;
    std::vector<std::string> argv;
    std::vector<double> ms;
};

Command parse(const std::string& given) {
    Command c;
    c.text = given;
    const std::size_t bar = given.find('|');
    c.input = given.substr(0, bar);
    std::istringstream words(given.substr(bar + 1));
    for (std::string w; words >> w;) c.argv.push_back(w);
    return c;
}

double cpuMilliseconds(const Command& c) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open(c.input.c_str(), O_RDONLY);
        const int out = ::open("/dev/null", O_WRONLY);
        if (in < 0 || out < 0) ::_exit(126);
        ::dup2(in, 0);
        ::dup2(out, 1);
        std::vector<char*> argv;
        for (const std::string& a : c.argv) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage ru {};
    ::wait4(pid, &status, 0, &ru);
    if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 1)) {
        std::fprintf(stderr, "%s failed\n", c.text.c_str());
        std::exit(1);
    }
    const double seconds = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
    return seconds * 1e3;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s RUNS 'STDIN|COMMAND...' 'STDIN|COMMAND...'\n", argv[0]);
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    std::vector<Command> commands;
    for (int k = 2; k < argc; ++k) commands.push_back(parse(argv[k]));
    for (int r = 0; r < runs; ++r)
        for (Command& c : commands) c.ms.push_back(cpuMilliseconds(c));
    for (Command& c : commands) {
        std::sort(c.ms.begin(), c.ms.end());
        std::printf("%-60s min %7.3f  median %7.3f  max %7.3f ms CPU\n", c.text.c_str(), c.ms.front(),
                    c.ms[c.ms.size() / 2], c.ms.back());
    }
    const Command& a = commands[0];
    const Command& b = commands[1];
    std::printf("ratio of the first to the second: min %.2f  median %.2f\n", a.ms.front() / b.ms.front(),
                a.ms[a.ms.size() / 2] / b.ms[b.ms.size() / 2]);
    return 0;
}
