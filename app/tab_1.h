#pragma once

#include <QTabWidget>

class GuardedTabBar;
class ProfileFile;
class Runtime;
class WindowState;
class tabpage_csjk;
class tabpage_ljsz;
class tabpage_jbxx;
class tabpage_mkgl;

// The main window's tab control: the four pages and the page-entry guard.
class tab_1 : public QTabWidget {
    Q_OBJECT
  public:
    // The window's state (isiflj, read on every page change) and its profile file, which the
    // creation and connection pages use.
    tab_1(Runtime& runtime, WindowState& state, const ProfileFile& profile,
          QWidget* parent = nullptr);

    // The page-entry guard (indexes 1 to 4): 1 keeps the current page, 0 lets it change.
    long selectionchanging(int oldindex, int newindex);

    ::tabpage_csjk* tabpage_csjk = nullptr;
    ::tabpage_ljsz* tabpage_ljsz = nullptr;
    ::tabpage_jbxx* tabpage_jbxx = nullptr;
    ::tabpage_mkgl* tabpage_mkgl = nullptr;

    GuardedTabBar* guardedTabBar() const { return m_bar; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Ctrl+Tab and the like: the next (step 1) or previous (-1) enabled page, through the guard.
    void stepPage(int step);

    Runtime& m_runtime;
    const WindowState& m_state;
    GuardedTabBar* m_bar;
};
