// Test support for the registry store's process tests: a folder of stores
// of the test's own, children that make registry calls in it, and the
// store files read directly with SQLite.
#ifndef MATRIX_TESTS_PLATFORM_REGISTRY_STORE_PROCESS_H_
#define MATRIX_TESTS_PLATFORM_REGISTRY_STORE_PROCESS_H_

#include <signal.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace matrix::testing::store {

namespace fs = std::filesystem;

class Folder {
 public:
  Folder() {
    std::string pattern =
        (fs::temp_directory_path() / "matrix-registry-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back(0);
    path_ = mkdtemp(buffer.data());
  }
  ~Folder() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add,
                    ignored);
    fs::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }
  std::string user() const { return path_ + "/user.sqlite3"; }
  std::string machine() const { return path_ + "/machine.sqlite3"; }

 private:
  std::string path_;
};

// Waits for `child` at most `seconds`, then kills it. The exit code, or
// 128 + the signal that ended it.
inline int Reap(pid_t child, int seconds = 30) {
  const auto until =
      std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) break;
    if (std::chrono::steady_clock::now() > until) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs `body` in a child whose stores are in `folder`; its result is the
// exit code. Text the child writes to `out` (a pipe) is returned in
// `*text`.
inline pid_t Start(const Folder& folder,
                   const std::function<int(int out)>& body, int* read_end) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    alarm(60);  // whatever happens, the child ends
    setenv("MATRIX_REGISTRY_DIR", folder.path().c_str(), 1);
    _exit(body(fds[1]));
  }
  close(fds[1]);
  *read_end = fds[0];
  return child;
}

inline std::string Drain(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0)
    text.append(buffer, static_cast<size_t>(n));
  close(fd);
  return text;
}

inline int RunChild(const Folder& folder,
                    const std::function<int(int out)>& body,
                    std::string* text = nullptr) {
  int fd = -1;
  const pid_t child = Start(folder, body, &fd);
  if (child < 0) return -2;
  std::string out = Drain(fd);
  if (text) *text = out;
  return Reap(child);
}

inline void Say(int out, const std::string& text) {
  if (write(out, text.data(), text.size()) < 0) _exit(99);
}

inline std::string IntegrityCheck(const std::string& path) {
  sqlite3* db = nullptr;
  std::string result = "cannot open";
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
      SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
      result = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return result;
}

inline std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

// The codes a child's reading, creating and writing calls give, "a/b/c".
inline std::string CodesOfCalls(const Folder& folder) {
  std::string codes;
  RunChild(
      folder,
      [](int out) {
        HKEY key = nullptr;
        const LONG open = RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\vendor",
                                        0, KEY_READ, &key);
        const LONG create =
            RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\new", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr);
        const DWORD v = 7;
        const LONG set = RegSetValueExW(HKEY_CURRENT_USER, L"v", 0, REG_DWORD,
                                        reinterpret_cast<const BYTE*>(&v), 4);
        Say(out, std::to_string(open) + "/" + std::to_string(create) + "/" +
                     std::to_string(set));
        return 0;
      },
      &codes);
  return codes;
}

}  // namespace matrix::testing::store

#endif  // MATRIX_TESTS_PLATFORM_REGISTRY_STORE_PROCESS_H_
