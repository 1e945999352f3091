// Process services over POSIX and /proc; children through posix_spawn and waitpid.
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "runtime/platform/process.h"
#include "runtime/platform/thread.h"

namespace korvane::platform {

namespace {

// The children handed to the reaper, reached from any thread.
struct DetachedChildren {
  Mutex mutex;
  std::vector<pid_t> pids;
};

DetachedChildren& detachedChildren() {
  static DetachedChildren children;
  return children;
}

bool isDetached(pid_t pid) {
  DetachedChildren& detached = detachedChildren();
  ScopedLock lock(detached.mutex);
  return std::find(detached.pids.begin(), detached.pids.end(), pid) != detached.pids.end();
}

// Starts `argv` (null-terminated); searchPath looks a bare name up in PATH. A non-negative
// `outputFd` becomes the child's standard output. -1 on failure.
pid_t spawnChild(char* const argv[], bool searchPath, int outputFd = -1) {
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return -1;
  if (outputFd >= 0 && posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return -1;
  }
  posix_spawnattr_t attributes;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return -1;
  }
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
  // The runtime opens everything close-on-exec, but the GL driver, X and SDL open descriptors
  // of their own; a child must not hold any of them.
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
#endif
  // A worker thread's blocked signals, or a signal this process ignores, must not carry over.
  sigset_t none;
  sigset_t all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  // Output already buffered must not appear twice or after the child's.
  std::fflush(nullptr);
  pid_t child = -1;
  const int result = searchPath
                         ? posix_spawnp(&child, argv[0], &actions, &attributes, argv, environ)
                         : posix_spawn(&child, argv[0], &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return result == 0 ? child : -1;
}

}  // namespace

void exitProcess(int exitCode) {
  const bool threadsEnded = stopThreadsForExit(kThreadStopWaitMs);
  std::fflush(nullptr);
  // A thread still running may be using any static object: tearing them down would pull them
  // from under it, so the process ends without the tear-down.
  if (!threadsEnded) _exit(exitCode);
  std::exit(exitCode);
}

std::string executablePath() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return std::string(buffer, static_cast<size_t>(n));
}

namespace {

// The last lookup, for the threads that must not read the environment while the main thread may
// change it. Never destroyed: the error log is written during the tear-down too.
pthread_mutex_t temporaryDirectoryMutex = PTHREAD_MUTEX_INITIALIZER;
std::string* lastTemporaryDirectory = nullptr;

std::string lookUpTemporaryDirectory() {
  const char* env = std::getenv("TMPDIR");
  if (env != nullptr && env[0] != '\0') {
    std::string dir(env);
    if (dir.back() != '/') dir += '/';
    return dir;
  }
  std::string dir = "/tmp/korvane-" + std::to_string(getuid());
  mkdir(dir.c_str(), 0700);  // fails harmlessly when it exists
  struct stat st;
  // A directory someone else planted must not receive our files.
  if (lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid()) {
    return dir + "/";
  }
  return "/tmp/";
}

}  // namespace

std::string temporaryDirectory() {
  pthread_mutex_lock(&temporaryDirectoryMutex);
  if (lastTemporaryDirectory == nullptr) {
    lastTemporaryDirectory = new std::string(lookUpTemporaryDirectory());
  } else if (isMainThread()) {
    *lastTemporaryDirectory = lookUpTemporaryDirectory();
  }
  std::string dir = *lastTemporaryDirectory;
  pthread_mutex_unlock(&temporaryDirectoryMutex);
  return dir;
}

long long minorPageFaults() {
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
  return usage.ru_minflt;
}

bool debuggerAttached() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("TracerPid:", 0) == 0) {
      return std::atoi(line.c_str() + 10) != 0;
    }
  }
  return false;
}

void debugOutput(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

bool setCurrentDirectory(const std::string& path) { return chdir(path.c_str()) == 0; }

std::string currentDirectory() {
  char buffer[4096];
  if (getcwd(buffer, sizeof buffer) == nullptr) return {};
  return buffer;
}

namespace {

ProcessId startWithOutput(const std::vector<std::string>& argv, int outputFd) {
  if (argv.empty() || argv[0].empty()) return kNoProcess;
  std::vector<char*> pointers;
  pointers.reserve(argv.size() + 1);
  for (const std::string& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  const bool searchPath = argv[0].find('/') == std::string::npos;
  const pid_t child = spawnChild(pointers.data(), searchPath, outputFd);
  return child > 0 ? static_cast<ProcessId>(child) : kNoProcess;
}

}  // namespace

ProcessId startProcess(const std::vector<std::string>& argv) { return startWithOutput(argv, -1); }

int waitForExit(ProcessId child) {
  if (child <= 0 || isDetached(child)) return -1;
  int status = 0;
  pid_t done;
  do {
    done = waitpid(child, &status, 0);
  } while (done < 0 && errno == EINTR);
  if (done != child) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return kSignalExitBase + WTERMSIG(status);
  return -1;
}

void detachChild(ProcessId child) {
  if (child <= 0) return;
  DetachedChildren& detached = detachedChildren();
  ScopedLock lock(detached.mutex);
  if (std::find(detached.pids.begin(), detached.pids.end(), child) == detached.pids.end()) {
    detached.pids.push_back(child);
  }
}

bool startDetached(const std::string& command) {
  reapDetachedChildren();
  const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
  const pid_t child = spawnChild(const_cast<char* const*>(argv), false);
  if (child <= 0) return false;
  detachChild(child);
  return true;
}

int reapDetachedChildren() {
  DetachedChildren& detached = detachedChildren();
  ScopedLock lock(detached.mutex);
  int reaped = 0;
  auto ended = [&reaped](pid_t pid) {
    int status = 0;
    pid_t done;
    do {
      done = waitpid(pid, &status, WNOHANG);
    } while (done < 0 && errno == EINTR);
    if (done == pid) {
      ++reaped;
      return true;
    }
    // ECHILD: collected elsewhere already (or SIGCHLD is ignored); nothing left to wait for.
    return done < 0;
  };
  detached.pids.erase(std::remove_if(detached.pids.begin(), detached.pids.end(), ended),
                      detached.pids.end());
  return reaped;
}

namespace {

// Words the shell runs itself, without looking for a program: the built-ins every POSIX shell
// has (dash's among them) and the reserved words a command may start with.
constexpr const char* kShellOwnWords[] = {
    "!",    "{",      "}",        "(",        ".",     ":",     "[",    "alias", "bg",     "break",
    "case", "cd",     "command",  "continue", "echo",  "eval",  "exec", "exit",  "export", "false",
    "fc",   "fg",     "for",      "getopts",  "hash",  "if",    "jobs", "kill",  "local",  "printf",
    "pwd",  "read",   "readonly", "return",   "set",   "shift", "test", "times", "trap",   "true",
    "type", "ulimit", "umask",    "unalias",  "unset", "until", "wait", "while",
};

bool isShellOwnWord(const std::string& word) {
  for (const char* own : kShellOwnWords) {
    if (word == own) return true;
  }
  return false;
}

bool isExecutableFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Characters after which only the shell knows what the word becomes.
bool isExpansion(char c) { return std::strchr("$`*?[~", c) != nullptr; }

// Characters that end a word (operators); the word before them is complete.
bool isOperator(char c) { return std::strchr(";&|<>()", c) != nullptr; }

// Reads the word at `i` with quotes and backslashes removed. `expanded` reports a character the
// shell would expand outside single quotes.
std::string readWord(const std::string& text, size_t& i, bool& expanded) {
  std::string word;
  while (i < text.size() && !isBlank(text[i]) && !isOperator(text[i])) {
    const char c = text[i++];
    if (c == '\'') {
      while (i < text.size() && text[i] != '\'') word += text[i++];
      if (i < text.size()) ++i;
    } else if (c == '"') {
      while (i < text.size() && text[i] != '"') {
        if (text[i] == '$' || text[i] == '`') expanded = true;
        if (text[i] == '\\' && i + 1 < text.size()) ++i;
        word += text[i++];
      }
      if (i < text.size()) ++i;
    } else if (c == '\\') {
      if (i < text.size()) word += text[i++];
    } else {
      if (isExpansion(c)) expanded = true;
      word += c;
    }
  }
  return word;
}

bool isAssignment(const std::string& word) {
  const size_t equals = word.find('=');
  if (equals == std::string::npos || equals == 0) return false;
  for (size_t i = 0; i < equals; ++i) {
    const char c = word[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    if (!letter && !(i > 0 && c >= '0' && c <= '9')) return false;
  }
  return true;
}

}  // namespace

std::string findProgram(const std::string& name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return isExecutableFile(name) ? name : std::string();
  const char* path = std::getenv("PATH");
  // The shell's own default when PATH is unset.
  const std::string folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  for (;;) {
    const size_t end = folders.find(':', start);
    std::string folder = folders.substr(start, end == std::string::npos ? end : end - start);
    const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
    if (isExecutableFile(candidate)) return candidate;
    if (end == std::string::npos) return {};
    start = end + 1;
  }
}

bool commandProgramFound(const std::string& command) {
  size_t i = 0;
  for (;;) {
    while (i < command.size() && isBlank(command[i])) ++i;
    if (i >= command.size()) return false;
    // A command that starts with an operator or a sub-shell is the shell's to judge.
    if (isOperator(command[i])) return true;
    bool expanded = false;
    const std::string word = readWord(command, i, expanded);
    if (expanded) return true;
    if (isAssignment(word)) continue;
    if (word.empty()) return false;  // "" names no program
    return isShellOwnWord(word) || !findProgram(word).empty();
  }
}

int runForOutput(const std::vector<std::string>& argv, std::string& output, size_t outputLimit) {
  output.clear();
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return -1;
  const ProcessId child = startWithOutput(argv, ends[1]);
  close(ends[1]);
  if (child == kNoProcess) {
    close(ends[0]);
    return -1;
  }
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(ends[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    const size_t room = outputLimit > output.size() ? outputLimit - output.size() : 0;
    output.append(buffer, std::min(room, static_cast<size_t>(n)));
  }
  close(ends[0]);
  return waitForExit(child);
}

}  // namespace korvane::platform
