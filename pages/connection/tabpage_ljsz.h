#pragma once

#include <QWidget>

class ProfileFile;
class Runtime;
class WindowState;

// Page "2.连接设置" of the main window.
class tabpage_ljsz : public QWidget {
    Q_OBJECT
  public:
    // state: this page sets isiflj; profile: the saved connection settings.
    tabpage_ljsz(Runtime& runtime, WindowState& state, const ProfileFile& profile,
                 QWidget* parent = nullptr);

  private:
    Runtime& m_runtime;
    WindowState& m_state;
    const ProfileFile& m_profile;
};
