#pragma once

#include <QWidget>

class QLabel;
class QMovie;

// The progress popup: a frameless, non-modal window with the turning-book picture and one
// line of text, shown while long database work runs.
class g_w_mess : public QWidget {
    Q_OBJECT
  public:
    // The prompt the popup is opened with replaces the default text at once.
    explicit g_w_mess(const QString& vstmp, QWidget* parent = nullptr);

    void wf_setmess(const QString& str);

    QLabel* st_prompt = nullptr;
    QLabel* p_1 = nullptr;
    QLabel* st_1 = nullptr;

    static QString defaultPrompt();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QMovie* m_movie = nullptr;
};
