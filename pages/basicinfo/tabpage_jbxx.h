#pragma once

#include <QWidget>

class Runtime;

// Page "3.基本信息" of the main window.
class tabpage_jbxx : public QWidget {
    Q_OBJECT
  public:
    explicit tabpage_jbxx(Runtime& runtime, QWidget* parent = nullptr);

    // Entry hook: runs each time the guard lets the user into this page, before it shows.
    void enterPage();

  signals:
    void entered();

  private:
    Runtime& m_runtime;
};
