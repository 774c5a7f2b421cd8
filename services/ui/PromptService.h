#pragma once

#include <QString>

// Every message of the tool goes through this one seam: the application shows modal boxes,
// tests record what would have been shown and go on at once.
class PromptService {
  public:
    // The old runtime's icon numbers, so callers can pass them as the handlers give them.
    enum class Icon { Information = 0, StopSign = 1, Exclamation = 2, Question = 3, None = 4 };

    virtual ~PromptService() = default;

    // The standard prompt box: title "系统提示窗口", information icon, one OK button. A
    // detail (why something failed) is shown behind the box's "Show Details..." button.
    void t_f_ok(const QString& messagestr, const QString& detail = QString());

    // The three-argument box: title, text and icon, one OK button.
    void messageBox(const QString& title, const QString& text, Icon icon,
                    const QString& detail = QString());

    // From now on nothing is shown: the user has closed the window and the program ends.
    void silence() { m_silenced = true; }

    static QString standardTitle();

  protected:
    virtual void show(const QString& title, const QString& text, Icon icon,
                      const QString& detail) = 0;

  private:
    bool m_silenced = false;
};
