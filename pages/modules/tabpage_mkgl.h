#pragma once

#include <QWidget>

class Runtime;

// Page "4.模块管理" of the main window.
class tabpage_mkgl : public QWidget {
    Q_OBJECT
  public:
    explicit tabpage_mkgl(Runtime& runtime, QWidget* parent = nullptr);

    // Entry hook: runs each time the guard lets the user into this page, before it shows.
    void enterPage();

  signals:
    void entered();

  private:
    Runtime& m_runtime;
};
