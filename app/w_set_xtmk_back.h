#pragma once

#include "app/WindowState.h"
#include "pages/connection/ProfileFile.h"

#include <QDialog>

class Runtime;
class tab_1;

// The tool's one main window: a fixed-size modal dialog holding tab_1. Only the close box (or
// the window manager's close, Alt+F4) ends it: Esc would throw away what was typed.
class w_set_xtmk_back : public QDialog {
    Q_OBJECT
  public:
    // profile: the pbbook.ini the creation and connection pages read and write.
    explicit w_set_xtmk_back(Runtime& runtime, const ProfileFile& profile = ProfileFile(),
                             QWidget* parent = nullptr);

    // isiflj and whatever else the pages share; owned here, handed to tab_1 and the pages.
    WindowState state;
    const ProfileFile profile;

    ::tab_1* tab_1 = nullptr;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void openEvent(); // the window's open event
    // Sizes the client area so that the window with its frame has outerSize().
    void fitToFrame(int frameWidth, int frameHeight);
};
