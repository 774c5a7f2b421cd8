#pragma once

#include <QTabBar>

#include <functional>

// A tab bar that asks before it changes page. Qt has no vetoable tab change, so every way the
// bar itself changes page (mouse press, wheel, arrow keys) is decided here, before Qt switches:
// a refused page never becomes current, not even for a moment.
class GuardedTabBar : public QTabBar {
    Q_OBJECT
  public:
    // Returns true when the change from the current page to newIndex may happen.
    using Guard = std::function<bool(int newIndex)>;

    explicit GuardedTabBar(QWidget* parent = nullptr);
    void setGuard(Guard guard) { m_guard = std::move(guard); }

    // Moves to newIndex if the guard allows it; the one path for every guarded change.
    bool requestIndex(int newIndex);
    // The first enabled page after `from` going by `step` (1 or -1), past either end to the
    // other one when `wrap` is set; -1 when there is none.
    int nextEnabled(int from, int step, bool wrap) const;

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    Guard m_guard;
};
