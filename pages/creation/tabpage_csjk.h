#pragma once

#include <QWidget>

class Runtime;

// Page "1.初始建库" of the main window.
class tabpage_csjk : public QWidget {
    Q_OBJECT
  public:
    explicit tabpage_csjk(Runtime& runtime, QWidget* parent = nullptr);

  private:
    Runtime& m_runtime;
};
