// Processes, Xvfb and screenshots for the end-to-end tests.
#include "support/e2e.h"

#include "headless/ini_edit.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace fs = std::filesystem;

namespace {

std::vector<char*> CStrings(std::vector<std::string>& items) {
  std::vector<char*> out;
  for (auto& s : items) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

std::vector<std::string> EnvStrings(const std::map<std::string, std::string>& env) {
  std::vector<std::string> out;
  for (const auto& [k, v] : env) out.push_back(k + "=" + v);
  return out;
}

// Starts argv with the environment; stdout/stderr go to the given descriptors (-1: /dev/null).
pid_t Spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
            const std::string& workDir, int outFd, int errFd) {
  std::vector<std::string> args = argv;
  std::vector<std::string> envs = EnvStrings(env);
  pid_t pid = fork();
  if (pid != 0) return pid;
  setpgid(0, 0);
  int devNull = open("/dev/null", O_RDWR);
  dup2(devNull, 0);
  dup2(outFd >= 0 ? outFd : devNull, 1);
  dup2(errFd >= 0 ? errFd : devNull, 2);
  if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(127);
  auto a = CStrings(args);
  auto e = CStrings(envs);
  execvpe(a[0], a.data(), e.data());
  const std::string why = "cannot start " + args[0] + ": " + std::strerror(errno) + "\n";
  if (write(2, why.data(), why.size()) < 0) _exit(126);
  _exit(127);
}

// Waits for `pid` until the deadline; kills its process group when it passes.
std::optional<int> WaitFor(pid_t pid, double timeoutSeconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  for (;;) {
    int status = 0;
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) {
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      return 128 + WTERMSIG(status);
    }
    if (r < 0) return std::nullopt;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(-pid, SIGKILL);
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace

std::map<std::string, std::string> EnvironmentWithoutDisplay() {
  std::map<std::string, std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq == nullptr) continue;
    std::string key(*e, static_cast<size_t>(eq - *e));
    if (key == "DISPLAY" || key == "WAYLAND_DISPLAY") continue;
    env[key] = eq + 1;
  }
  return env;
}

std::string RunCapture(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                       double timeoutSeconds, int* exitCode) {
  char path[] = "/tmp/quillmarsh-e2e-out-XXXXXX";
  int fd = mkstemp(path);
  pid_t pid = Spawn(argv, env, "", fd, -1);
  auto code = WaitFor(pid, timeoutSeconds);
  close(fd);
  if (exitCode != nullptr) *exitCode = code.value_or(-1);
  std::string out = ReadText(path);
  unlink(path);
  return out;
}

// [SECTION] X server

XServer::XServer(int width, int height, const std::vector<std::string>& extraArgs) {
  int fds[2];
  if (pipe(fds) != 0) return;
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  std::vector<std::string> args = {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen,
                                   "-nolisten", "tcp", "-noreset"};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  // The pipe's write end is inherited: Xvfb writes its display number to it.
  pid_ = Spawn(args, EnvironmentWithoutDisplay(), "", -1, -1);
  close(fds[1]);
  // The number comes once the server accepts connections.
  std::string number;
  char c;
  fd_set set;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    FD_ZERO(&set);
    FD_SET(fds[0], &set);
    timeval tv{0, 200000};
    if (select(fds[0] + 1, &set, nullptr, nullptr, &tv) <= 0) continue;
    if (read(fds[0], &c, 1) != 1) break;
    if (c == '\n') break;
    number += c;
  }
  close(fds[0]);
  if (!number.empty()) display_ = ":" + number;
}

XServer::~XServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    if (!WaitFor(pid_, 5.0)) kill(pid_, SIGKILL);
  }
}

std::map<std::string, std::string> XServer::Env() const {
  auto env = EnvironmentWithoutDisplay();
  env["DISPLAY"] = display_;
  return env;
}

std::string XServer::Xdotool(const std::vector<std::string>& args) const {
  std::vector<std::string> argv = {"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunCapture(argv, Env());
}

std::vector<std::string> XServer::FindWindows(const std::string& name) const {
  // The top-level windows and their names as the server holds them. (xdotool's name
  // search misses windows that carry only the UTF-8 name, as SDL's message box does.)
  std::istringstream lines(RunCapture({"xwininfo", "-root", "-children"}, Env()));
  std::vector<std::string> ids;
  const std::string quoted = "\"" + name + "\":";
  for (std::string line; std::getline(lines, line);) {
    const auto at = line.find(quoted);
    if (at == std::string::npos) continue;
    const unsigned long id = std::strtoul(line.c_str() + line.find("0x"), nullptr, 16);
    ids.push_back(std::to_string(id));
  }
  return ids;
}

std::optional<std::string> XServer::WaitForWindow(const std::string& name, double timeoutSeconds,
                                                   const std::function<bool()>& stillWorth) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  while (std::chrono::steady_clock::now() < deadline) {
    auto ids = FindWindows(name);
    if (!ids.empty()) return ids.front();
    if (stillWorth && !stillWorth()) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return std::nullopt;
}

std::string XServer::ErrorBoxProblem() const {
  Display* display = XOpenDisplay(display_.c_str());
  if (display == nullptr) return "cannot connect to the X server " + display_;
  int count = 0;
  // The pattern the window library asks for when it draws the box's text.
  const char* pattern = "-*-*-medium-r-normal--*-120-*-*-*-*-*-*";
  char** names = XListFonts(display, pattern, 1, &count);
  if (names != nullptr) XFreeFontNames(names);
  XCloseDisplay(display);
  if (count > 0) return "";
  return std::string("the X server has no core font matching ") + pattern +
         ", so the \"Error\" box cannot be shown: install xfonts-base (scripts/install-deps.sh does)";
}

bool XServer::WaitUntilViewable(const std::string& windowId, double timeoutSeconds) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (RunCapture({"xwininfo", "-id", windowId}, Env()).find("IsViewable") != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

std::vector<uint8_t> XServer::Screenshot(int& width, int& height) const {
  char path[] = "/tmp/quillmarsh-e2e-shot-XXXXXX";
  int fd = mkstemp(path);
  close(fd);
  const std::string rgbPath = std::string(path) + ".rgb";
  RunCapture({"import", "-display", display_, "-window", "root", "-depth", "8", "rgb:" + rgbPath}, Env(), 30.0);
  std::string size = RunCapture({"xdpyinfo", "-display", display_}, Env());
  width = height = 0;
  auto at = size.find("dimensions:");
  if (at != std::string::npos) std::sscanf(size.c_str() + at, "dimensions: %dx%d", &width, &height);
  std::string bytes = ReadText(rgbPath);
  unlink(path);
  unlink(rgbPath.c_str());
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

bool XServer::SendDeleteWindow(const std::string& windowId) const {
  Display* display = XOpenDisplay(display_.c_str());
  if (display == nullptr) return false;
  const Window window = std::strtoul(windowId.c_str(), nullptr, 10);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
  XCloseDisplay(display);
  return sent != 0;
}

// [SECTION] Program run

ProgramRun::ProgramRun() {
  char pattern[] = "/tmp/quillmarsh-e2e-XXXXXX";
  folder_ = mkdtemp(pattern);
  const char* binary = std::getenv("QM_BINARY");
  if (binary != nullptr) fs::copy_file(binary, folder_ + "/quillmarsh");
}

ProgramRun::~ProgramRun() {
  if (group_ > 0) kill(-group_, SIGKILL);
  if (pid_ > 0 && !exitCode_) {
    kill(-pid_, SIGKILL);
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

void ProgramRun::WriteSettings(const std::string& text) const {
  std::ofstream(folder_ + "/Quillmarsh.ini", std::ios::binary) << text;
}

void ProgramRun::CopyDefaultWorld() const {
  const char* build = std::getenv("QM_BUILD_DIR");
  if (build == nullptr) return;
  fs::copy(std::string(build) + "/gfx", folder_ + "/gfx", fs::copy_options::recursive);
  fs::copy_file(std::string(build) + "/Quillmarsh.ini", folder_ + "/Quillmarsh.ini",
                fs::copy_options::overwrite_existing);
}

bool ProgramRun::Start(const std::map<std::string, std::string>& env) {
  const std::string errPath = folder_ + "/.stderr";
  int errFd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_ = Spawn({folder_ + "/quillmarsh"}, env, folder_, -1, errFd);
  close(errFd);
  group_ = pid_;  // Spawn makes the program the leader of a process group of its own
  return pid_ > 0;
}

void ProgramRun::Signal(int signal) const {
  if (pid_ > 0 && !exitCode_) kill(pid_, signal);
}

bool ProgramRun::NothingLeftBehind(double timeoutSeconds) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  while (group_ > 0 && kill(-group_, 0) == 0) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

std::optional<int> ProgramRun::Wait(double timeoutSeconds) {
  if (exitCode_) return exitCode_;
  if (pid_ <= 0) return std::nullopt;
  exitCode_ = WaitFor(pid_, timeoutSeconds);
  if (!exitCode_) pid_ = -1;  // killed
  return exitCode_;
}

bool ProgramRun::Running() {
  if (pid_ <= 0 || exitCode_) return false;
  int status = 0;
  pid_t r = waitpid(pid_, &status, WNOHANG);
  if (r == 0) return true;
  if (r == pid_) exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return false;
}

std::string ProgramRun::Stderr() const { return ReadText(folder_ + "/.stderr"); }

std::vector<std::string> ProgramRun::ListFiles() const {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder_)) {
    files.push_back(fs::relative(entry.path(), folder_).string());
  }
  return files;
}

std::optional<std::string> WaitForProgramWindow(const XServer& x, ProgramRun& run, const std::string& name,
                                                double timeoutSeconds) {
  return x.WaitForWindow(name, timeoutSeconds, [&run]() { return run.Running(); });
}

// [SECTION] Settings text

std::string ShippedSettings() {
  const char* build = std::getenv("QM_BUILD_DIR");
  return build == nullptr ? std::string() : ReadText(std::string(build) + "/Quillmarsh.ini");
}

std::string WindowedShippedSettings(int width, int height) {
  std::string ini = WithSetting(ShippedSettings(), "Resolution", "Width", std::to_string(width));
  ini = WithSetting(ini, "Resolution", "Height", std::to_string(height));
  return WithSetting(ini, "Resolution", "Fullscreen", "0");
}
