#pragma once

#include <QWidget>

class ProfileFile;
class Runtime;
class WindowState;

// Page "1.初始建库" of the main window.
class tabpage_csjk : public QWidget {
    Q_OBJECT
  public:
    // state: read only (isiflj); profile: where the set-up marker is written.
    tabpage_csjk(Runtime& runtime, const WindowState& state, const ProfileFile& profile,
                 QWidget* parent = nullptr);

  private:
    Runtime& m_runtime;
    const WindowState& m_state;
    const ProfileFile& m_profile;
};
