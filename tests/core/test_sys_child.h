// Child processes for the core tests: the test program re-runs itself with
// "--zn-child=<mode>" (see mainPosix.cpp) so that fatal exits, crashes and the
// default dialog handler can be watched from outside.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

#include "common/ZNTestPlatform.h"

struct ZNChildRun
{
    pid_t       Pid      = 0;       // the child's process id
    int         Status   = 0;       // as waitpid gives it
    bool        TimedOut = false;   // killed after the deadline
    std::string Out;                // everything it wrote to stdout
    std::string Err;                // everything it wrote to stderr

    bool        ExitedWith(int code) const;
    bool        KilledBy(int sig) const;
    std::string Describe() const;   // for failure messages
};

// Runs this program in child mode with the given extra arguments. env holds
// "NAME=value" entries to set and "NAME" entries to remove; everything else is
// inherited. stdin is /dev/null. A child still running after timeoutSeconds is
// killed and reported as TimedOut.
ZNChildRun ZNRunChild(const std::string& mode, const std::vector<std::string>& args = {},
                      const std::vector<std::string>& env = {}, int timeoutSeconds = 60);

// Like ZNRunChild, but the child's stdin, stdout and stderr are a terminal.
// For each (prompt, reply) pair in turn, waits until the output so far ends
// with prompt, then types reply. All output lands in Out.
ZNChildRun ZNRunChildOnTerminal(const std::string& mode, const std::vector<std::string>& args,
                                const std::vector<std::string>&                         env,
                                const std::vector<std::pair<std::string, std::string>>& dialogue,
                                int                                                     timeoutSeconds = 30);

// ZNTestProgram and ZNTestProgramDir are the toolkit's (common/ZNTestPlatform.h).

// Dump files "DUMP-*.dmp" currently in dir.
std::vector<std::string> ZNListDumps(const std::string& dir);
