#pragma once

#include <QWidget>

class Runtime;

// Page "2.连接设置" of the main window.
class tabpage_ljsz : public QWidget {
    Q_OBJECT
  public:
    explicit tabpage_ljsz(Runtime& runtime, QWidget* parent = nullptr);

  private:
    Runtime& m_runtime;
};
