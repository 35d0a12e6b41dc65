#include "tests/x_driver.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

bool before(Clock::time_point deadline) {
    return Clock::now() < deadline;
}

Clock::time_point after(double seconds) {
    return Clock::now() + std::chrono::milliseconds(static_cast<long>(seconds * 1000));
}

std::vector<Window> topLevelWindows(Display* display) {
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    std::vector<Window> windows;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        windows.assign(children, children + count);
        XFree(children);
    }
    return windows;
}

// A viewable top-level window with this title among those not in `old`. freeglut sets
// no _NET_WM_PID without a window manager, so the title tells.
Window findNewWindow(Display* display, const std::vector<Window>& old, const std::string& title) {
    for (Window candidate : topLevelWindows(display)) {
        if (std::find(old.begin(), old.end(), candidate) != old.end()) {
            continue;
        }
        char* name = nullptr;
        XWindowAttributes attributes;
        const bool titled =
            XFetchName(display, candidate, &name) && name != nullptr && title == name;
        XFree(name);
        if (titled && XGetWindowAttributes(display, candidate, &attributes) &&
            attributes.map_state == IsViewable) {
            return candidate;
        }
    }
    return 0;
}

}  // namespace

// The program's windows can vanish under a request (it quit, or died): the tests then
// see it gone, instead of Xlib ending the test process.
int ignoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

void waitMilliseconds(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

RunningProgram::RunningProgram(const std::vector<std::string>& args, const char* executable) {
    XSetErrorHandler(ignoreXErrors);
    display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        throw std::runtime_error("no X display for the end-to-end tests");
    }
    const std::vector<Window> old = topLevelWindows(display);
    int outputPipe[2], errorsPipe[2];
    if (pipe(outputPipe) != 0 || pipe(errorsPipe) != 0) {
        throw std::runtime_error("pipe failed");
    }
    child = fork();
    if (child == 0) {
        dup2(outputPipe[1], STDOUT_FILENO);
        dup2(errorsPipe[1], STDERR_FILENO);
        for (int fd : {outputPipe[0], outputPipe[1], errorsPipe[0], errorsPipe[1]}) {
            close(fd);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(executable));
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(executable, argv.data());
        _exit(127);
    }
    close(outputPipe[1]);
    close(errorsPipe[1]);
    outputFd = outputPipe[0];
    errorsFd = errorsPipe[0];
    fcntl(outputFd, F_SETFL, O_NONBLOCK);
    fcntl(errorsFd, F_SETFL, O_NONBLOCK);

    const auto deadline = after(20);
    while (before(deadline) && window == 0 && !reap(WNOHANG)) {
        drainOutput(false);
        window = findNewWindow(display, old, "moving shadows, hit 't' and 'T'");
        waitMilliseconds(20);
    }
    if (window != 0) {
        // Without a window manager the window sits at (-1, -1), partly off screen, where
        // X cannot read it back; move it fully onto the screen.
        placeWindow(8, 8);
        // Nor does anything give it the keyboard: do what a window manager would.
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
        XSync(display, False);
        // Let the first frame land before anyone looks at it.
        waitMilliseconds(200);
    }
}

RunningProgram::~RunningProgram() {
    if (!exited && child > 0) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    // The server drops a dead client's windows in its own time; the next program must
    // not meet this one's window.
    XWindowAttributes attributes;
    for (int tries = 0;
         tries < 200 && window != 0 && XGetWindowAttributes(display, window, &attributes);
         ++tries) {
        waitMilliseconds(10);
    }
    for (int fd : {outputFd, errorsFd}) {
        if (fd >= 0) {
            close(fd);
        }
    }
    XCloseDisplay(display);
}

bool RunningProgram::reap(int options) {
    if (exited) {
        return true;
    }
    int status = 0;
    if (waitpid(child, &status, options) != child) {
        return false;
    }
    exited = true;
    exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    drainOutput(true);
    return true;
}

std::string RunningProgram::title() {
    char* name = nullptr;
    std::string title;
    if (XFetchName(display, window, &name) && name != nullptr) {
        title = name;
    }
    XFree(name);
    return title;
}

bool RunningProgram::running() {
    return !reap(WNOHANG);
}

// Reads what the program printed so far; after its exit, up to the end of both pipes.
void RunningProgram::drainOutput(bool untilEnd) {
    char buffer[65536];
    for (auto [fd, text] : {std::pair{outputFd, &printed}, std::pair{errorsFd, &errorsPrinted}}) {
        for (;;) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                text->append(buffer, static_cast<size_t>(n));
            } else if (n == 0 || !untilEnd) {
                break;
            } else {
                waitMilliseconds(5);
            }
        }
    }
}

Picture RunningProgram::grab() {
    XWindowAttributes attributes;
    Picture frame;
    if (!XGetWindowAttributes(display, window, &attributes)) {
        return frame;
    }
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return frame;
    }
    frame.width = attributes.width;
    frame.height = attributes.height;
    frame.rgb.resize(3 * static_cast<size_t>(frame.width) * frame.height);
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const unsigned long value = XGetPixel(image, x, frame.height - 1 - y);
            unsigned char* out = &frame.rgb[3 * (static_cast<size_t>(y) * frame.width + x)];
            out[0] = static_cast<unsigned char>((value & image->red_mask) >> 16);
            out[1] = static_cast<unsigned char>((value & image->green_mask) >> 8);
            out[2] = static_cast<unsigned char>(value & image->blue_mask);
        }
    }
    XDestroyImage(image);
    return frame;
}

bool RunningProgram::waitForOutput(const std::string& text, double seconds) {
    const auto deadline = after(seconds);
    for (;;) {
        drainOutput(false);
        if (printed.find(text) != std::string::npos) {
            return true;
        }
        if (!before(deadline)) {
            return false;
        }
        waitMilliseconds(20);
    }
}

bool RunningProgram::waitForFrame(const std::function<bool(const Picture&)>& check,
                                  double seconds) {
    const auto deadline = after(seconds);
    do {
        if (check(grab())) {
            return true;
        }
        waitMilliseconds(20);
    } while (before(deadline));
    return false;
}

void RunningProgram::movePointer(int x, int y) {
    int rootX, rootY;
    Window unused;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &rootX, &rootY,
                          &unused);
    XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
    XSync(display, False);
}

void RunningProgram::pressButton(unsigned button) {
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XSync(display, False);
}

void RunningProgram::releaseButton(unsigned button) {
    XTestFakeButtonEvent(display, button, False, CurrentTime);
    XSync(display, False);
}

void RunningProgram::pressKey(KeySym key) {
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), True, CurrentTime);
    XSync(display, False);
}

void RunningProgram::releaseKey(KeySym key) {
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), False, CurrentTime);
    XSync(display, False);
}

void RunningProgram::tapKey(KeySym key) {
    pressKey(key);
    releaseKey(key);
}

void RunningProgram::type(char character) {
    const bool upper = character >= 'A' && character <= 'Z';
    const char lower = upper ? static_cast<char>(character - 'A' + 'a') : character;
    // A printable ASCII character's keysym is its own code: 'a' is XK_a, ']' XK_bracketright.
    const KeySym key = static_cast<unsigned char>(lower);
    if (upper) {
        pressKey(XK_Shift_L);
    }
    pressKey(key);
    releaseKey(key);
    if (upper) {
        releaseKey(XK_Shift_L);
    }
}

void RunningProgram::resize(unsigned width, unsigned height) {
    XResizeWindow(display, window, width, height);
    XSync(display, False);
}

void RunningProgram::placeWindow(int x, int y) {
    XMoveWindow(display, window, x, y);
    XSync(display, False);
}

bool RunningProgram::findOpenMenu(Area& menu) {
    const Window found = findNewWindow(display, {}, "freeglut menu");
    XWindowAttributes attributes;
    if (found == 0 || !XGetWindowAttributes(display, found, &attributes)) {
        return false;
    }
    Window unused;
    XTranslateCoordinates(display, found, window, 0, 0, &menu.x, &menu.y, &unused);
    menu.width = attributes.width;
    menu.height = attributes.height;
    return true;
}

int RunningProgram::waitForExit(double seconds) {
    const auto deadline = after(seconds);
    while (!reap(WNOHANG)) {
        drainOutput(false);
        if (!before(deadline)) {
            return -1;
        }
        waitMilliseconds(10);
    }
    return exitStatus;
}

double RunningProgram::cpuSeconds() const {
    std::ifstream stat("/proc/" + std::to_string(child) + "/stat");
    std::string line;
    std::getline(stat, line);
    // Fields after the command name, which sits in parentheses and may hold spaces.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    long userTicks = 0, systemTicks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) {
            userTicks = std::stol(field);
        } else if (i == 15) {
            systemTicks = std::stol(field);
        }
    }
    return static_cast<double>(userTicks + systemTicks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

bool RunningProgram::waitUntilIdle(double seconds) {
    constexpr double WINDOW = 0.5;
    const auto deadline = after(seconds);
    while (before(deadline) && running()) {
        const double start = cpuSeconds();
        waitMilliseconds(static_cast<int>(WINDOW * 1000));
        if (cpuSeconds() - start < 0.02 * WINDOW) {
            return true;
        }
    }
    return false;
}

long RunningProgram::residentKiB() const {
    std::ifstream status("/proc/" + std::to_string(child) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}
