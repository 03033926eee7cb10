// Running this test program as a child process; see test_sys_child.h.
#include "test_sys_child.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

bool ZNChildRun::ExitedWith(int code) const
{
    return !TimedOut && WIFEXITED(Status) && WEXITSTATUS(Status) == code;
}

bool ZNChildRun::KilledBy(int sig) const
{
    return !TimedOut && WIFSIGNALED(Status) && WTERMSIG(Status) == sig;
}

std::string ZNChildRun::Describe() const
{
    std::string text = "pid " + std::to_string(Pid);
    if (TimedOut)
        text += ", timed out";
    else if (WIFEXITED(Status))
        text += ", exit " + std::to_string(WEXITSTATUS(Status));
    else if (WIFSIGNALED(Status))
        text += ", signal " + std::to_string(WTERMSIG(Status));
    return text + "\n--- stdout ---\n" + Out + "\n--- stderr ---\n" + Err;
}

namespace
{

// argv and envp for a child run of this program; the strings live in the stores.
struct ZNChildCommand
{
    std::string              Program;
    std::vector<std::string> ArgStore, EnvStore;
    std::vector<char*>       Argv, Envp;

    ZNChildCommand(const std::string& mode, const std::vector<std::string>& args, const std::vector<std::string>& env)
    {
        Program = ZNTestProgram();
        ArgStore.push_back(Program);
        ArgStore.push_back("--zn-child=" + mode);
        ArgStore.insert(ArgStore.end(), args.begin(), args.end());
        for (std::string& a : ArgStore)
            Argv.push_back(&a[0]);
        Argv.push_back(nullptr);

        // The inherited environment with the requested changes.
        for (char** e = environ; *e; ++e)
        {
            std::string entry    = *e;
            std::string name     = entry.substr(0, entry.find('='));
            bool        replaced = false;
            for (const std::string& change : env)
                if (change.substr(0, change.find('=')) == name)
                    replaced = true;
            if (!replaced)
                EnvStore.push_back(entry);
        }
        for (const std::string& change : env)
            if (change.find('=') != std::string::npos)
                EnvStore.push_back(change);
        for (std::string& e : EnvStore)
            Envp.push_back(&e[0]);
        Envp.push_back(nullptr);
    }
};

double Elapsed(const timespec& start)
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec - start.tv_sec) + (now.tv_nsec - start.tv_nsec) / 1e9;
}

}   // namespace

ZNChildRun ZNRunChild(const std::string& mode, const std::vector<std::string>& args,
                      const std::vector<std::string>& env, int timeoutSeconds)
{
    ZNChildRun     run;
    ZNChildCommand command(mode, args, env);

    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0)
        return run;
    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    if (pid == 0)
    {
        int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        close(outPipe[0]);
        close(errPipe[0]);
        execve(command.Program.c_str(), command.Argv.data(), command.Envp.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    run.Pid = pid;

    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    pollfd fds[2] = { { outPipe[0], POLLIN, 0 }, { errPipe[0], POLLIN, 0 } };
    int    open   = 2;
    while (open > 0)
    {
        if (Elapsed(start) > timeoutSeconds)
        {
            kill(pid, SIGKILL);
            run.TimedOut = true;
            break;
        }
        if (poll(fds, 2, 200) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i)
        {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char    chunk[4096];
            ssize_t n = read(fds[i].fd, chunk, sizeof(chunk));
            if (n > 0)
                (i == 0 ? run.Out : run.Err).append(chunk, static_cast<size_t>(n));
            else
            {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (pollfd& f : fds)
        if (f.fd >= 0)
            close(f.fd);
    while (waitpid(pid, &run.Status, 0) < 0 && errno == EINTR)
    {
    }
    return run;
}

ZNChildRun ZNRunChildOnTerminal(const std::string& mode, const std::vector<std::string>& args,
                                const std::vector<std::string>&                         env,
                                const std::vector<std::pair<std::string, std::string>>& dialogue, int timeoutSeconds)
{
    ZNChildRun     run;
    ZNChildCommand command(mode, args, env);
    int            terminal = -1;
    fflush(stdout);
    fflush(stderr);
    pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid < 0)
        return run;
    if (pid == 0)
    {
        execve(command.Program.c_str(), command.Argv.data(), command.Envp.data());
        _exit(127);
    }
    run.Pid = pid;

    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    size_t step = 0;
    for (;;)
    {
        if (Elapsed(start) > timeoutSeconds)
        {
            kill(pid, SIGKILL);
            run.TimedOut = true;
            break;
        }
        pollfd fd = { terminal, POLLIN, 0 };
        if (poll(&fd, 1, 200) < 0 && errno != EINTR)
            break;
        if (fd.revents & (POLLIN | POLLHUP | POLLERR))
        {
            char    chunk[4096];
            ssize_t n = read(terminal, chunk, sizeof(chunk));
            if (n <= 0)
                break;   // the child closed its side (EIO once it has ended)
            run.Out.append(chunk, static_cast<size_t>(n));
        }
        if (step < dialogue.size())
        {
            const std::string& prompt = dialogue[step].first;
            if (run.Out.size() >= prompt.size() &&
                run.Out.compare(run.Out.size() - prompt.size(), prompt.size(), prompt) == 0)
            {
                ssize_t ignored = write(terminal, dialogue[step].second.data(), dialogue[step].second.size());
                (void)ignored;
                ++step;
            }
        }
    }
    close(terminal);
    while (waitpid(pid, &run.Status, 0) < 0 && errno == EINTR)
    {
    }
    return run;
}

std::vector<std::string> ZNListDumps(const std::string& dir)
{
    std::vector<std::string> names;
    DIR*                     d = opendir(dir.c_str());
    if (!d)
        return names;
    while (dirent* e = readdir(d))
    {
        std::string name = e->d_name;
        if (name.compare(0, 5, "DUMP-") == 0 && name.size() > 4 && name.compare(name.size() - 4, 4, ".dmp") == 0)
            names.push_back(name);
    }
    closedir(d);
    return names;
}
