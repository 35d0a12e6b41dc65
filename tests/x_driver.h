// Drives the real program from outside, as a person would: starts it on the current X
// display, sends it real input through XTest and reads its window back as pixels.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/scene_geometry.h"

void waitMilliseconds(int milliseconds);

class RunningProgram {
  public:
    // Starts the program with these arguments and waits until its window is on screen,
    // or until it has exited.
    explicit RunningProgram(const std::vector<std::string>& args,
                            const char* executable = PLANAR_SHADOWS_EXE);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    Display* xDisplay() const {
        return display;
    }
    bool hasWindow() const {
        return window != 0;
    }
    Picture grab();
    // Polls the window until the check passes; false if it never did within the time.
    bool waitForFrame(const std::function<bool(const Picture&)>& check, double seconds = 10);

    // Positions are window pixels from the top left, as the program's handlers get them.
    void movePointer(int x, int y);
    void pressButton(unsigned button);
    void releaseButton(unsigned button);
    void pressKey(KeySym key);
    void releaseKey(KeySym key);
    // Press and release: a key left down would auto-repeat into the next program.
    void tapKey(KeySym key);
    // A key typed with Shift held where the character needs it ('T'), without otherwise.
    void type(char character);
    void resize(unsigned width, unsigned height);
    void placeWindow(int x, int y);

    // The pop-up menu while it is open, in the program window's coordinates.
    struct Area {
        int x, y, width, height;
    };
    bool findOpenMenu(Area& menu);
    // The window's title as it stands now.
    std::string title();

    // The exit status, or -1 if the program was still running after the time or died of
    // a signal. Standard output read up to the end.
    int waitForExit(double seconds);
    std::string output() const {
        return printed;
    }
    // Polls the program's standard output until it holds `text`; false if it never did
    // within the time.
    bool waitForOutput(const std::string& text, double seconds = 10);
    std::string errors() const {
        return errorsPrinted;
    }
    bool running();
    // User plus system CPU time the program has used so far, from /proc.
    double cpuSeconds() const;
    // Polls until the program has used under 2 % of a core for half a second (its idle
    // work done, its handler unregistered); false if it never did within the time.
    bool waitUntilIdle(double seconds = 30);
    // Resident memory in KiB, from /proc.
    long residentKiB() const;
    pid_t pid() const {
        return child;
    }

  private:
    void drainOutput(bool untilEnd);
    bool reap(int options);

    Display* display = nullptr;
    Window window = 0;
    pid_t child = -1;
    int outputFd = -1;
    int errorsFd = -1;
    std::string printed;
    std::string errorsPrinted;
    bool exited = false;
    int exitStatus = -1;
};
