// What the window tests share: an application object, message pumping, and the
// recorders that stand in for message boxes and shell launches.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/Application.h"
#include "framework/FormView.h"
#include "framework/Seams.h"

namespace twinsweep::test {

// Runs the queued messages and the idle updates until the predicate holds or
// the time is up; returns the predicate's last answer.
bool PumpUntil(const std::function<bool()>& done, int milliseconds = 5000);
void Pump();

struct RecordedMessageBox {
    HWND owner;
    std::wstring text;
    UINT type;
};

// Every message box is recorded and answered with the next scripted answer
// (IDOK when none is left) instead of being shown. The search thread shows boxes
// too, so the record is guarded.
class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    std::vector<int> answers;
    std::vector<RecordedMessageBox> Boxes() const;
    std::vector<std::wstring> Texts() const;

private:
    mutable std::mutex m_mutex;
    std::vector<RecordedMessageBox> m_boxes;
};

// Every shell launch is recorded and reported as done instead of being carried out.
class ShellLaunchRecorder {
public:
    ShellLaunchRecorder();
    ~ShellLaunchRecorder();
    std::vector<ShellLaunch> launches;
};

// A top-level window that holds one view filling its client area, for testing a
// view on its own.
class ViewHost {
public:
    ViewHost(FormView& view, Document& document, int width = 640, int height = 480);
    ~ViewHost();
    HWND Handle() const { return m_host; }
    void Resize(int width, int height);

private:
    FormView& m_view;
    HWND m_host = nullptr;
};

// The application object of the test executable.
Application& TestApplication();

}  // namespace twinsweep::test
