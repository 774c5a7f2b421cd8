#include "app/tab_1.h"

#include "app/GuardedTabBar.h"
#include "app/WindowState.h"
#include "pages/basicinfo/tabpage_jbxx.h"
#include "pages/connection/tabpage_ljsz.h"
#include "pages/creation/tabpage_csjk.h"
#include "pages/modules/tabpage_mkgl.h"
#include "services/Runtime.h"
#include "services/ui/LogicalUnits.h"
#include "services/ui/SongFont.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QShortcut>

namespace {

const QString kNotConnected = QStringLiteral("请先到<2.连接设置>中,连接数据库后再设置基本信息!");

} // namespace

tab_1::tab_1(Runtime& runtime, WindowState& state, const ProfileFile& profile, QWidget* parent)
    : QTabWidget(parent), m_runtime(runtime), m_state(state), m_bar(new GuardedTabBar(this)) {
    setObjectName("tab_1");
    setFont(SongFont::font());
    m_bar->setExpanding(false);             // tabs keep their natural width
    m_bar->setFocusPolicy(Qt::StrongFocus); // a pressed tab takes the focus
    m_bar->setGuard(
        [this](int newIndex) { return selectionchanging(currentIndex() + 1, newIndex + 1) != 1; });
    setTabBar(m_bar);

    tabpage_csjk = new ::tabpage_csjk(runtime, state, profile, this);
    tabpage_ljsz = new ::tabpage_ljsz(runtime, state, profile, this);
    tabpage_jbxx = new ::tabpage_jbxx(runtime, this);
    tabpage_mkgl = new ::tabpage_mkgl(runtime, this);
    // The pages have the button-face background, not the style's white pane.
    for (QWidget* page :
         std::initializer_list<QWidget*>{tabpage_csjk, tabpage_ljsz, tabpage_jbxx, tabpage_mkgl}) {
        QPalette pal = page->palette();
        pal.setColor(QPalette::Window, pal.color(QPalette::Button));
        page->setPalette(pal);
        page->setAutoFillBackground(true);
    }
    addTab(tabpage_csjk, QStringLiteral("1.初始建库"));
    addTab(tabpage_ljsz, QStringLiteral("2.连接设置"));
    addTab(tabpage_jbxx, QStringLiteral("3.基本信息"));
    addTab(tabpage_mkgl, QStringLiteral("4.模块管理"));
    // Each pane is announced by the caption of its tab.
    for (int i = 0; i < count(); ++i)
        widget(i)->setAccessibleName(tabText(i).remove(u'&'));
    setCurrentIndex(0);

    // Matched before the focused control sees the key (after its ShortcutOverride), so a
    // grid or an open cell editor, which take Tab whatever the modifiers, cannot keep them.
    const QList<std::pair<QKeySequence, int>> keys{
        {QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
        {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
        {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1},
    };
    for (const auto& [key, step] : keys) {
        auto* shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, step = step] { stepPage(step); });
    }
}

long tab_1::selectionchanging(int oldindex, int newindex) {
    Q_UNUSED(oldindex);
    switch (newindex) {
    case 3:
    case 4: {
        if (!m_state.connected()) {
            m_runtime.t_f_ok(kNotConnected);
            return 1;
        }
        const bool entered = newindex == 3 ? tabpage_jbxx->enterPage() : tabpage_mkgl->enterPage();
        return entered ? 0 : 1;
    }
    default:
        return 0;
    }
}

void tab_1::keyPressEvent(QKeyEvent* event) {
    // Ctrl+Tab / Ctrl+PageDown and their backward forms: the same guarded path as the tab bar.
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    int step = 0;
    if (ctrl && (event->key() == Qt::Key_Tab || event->key() == Qt::Key_PageDown))
        step = (event->modifiers() & Qt::ShiftModifier) ? -1 : 1;
    else if (ctrl && (event->key() == Qt::Key_Backtab || event->key() == Qt::Key_PageUp))
        step = -1;
    if (step == 0) {
        QTabWidget::keyPressEvent(event);
        return;
    }
    stepPage(step);
    event->accept();
}

void tab_1::stepPage(int step) {
    const int index = m_bar->nextEnabled(currentIndex(), step, true);
    if (index < 0)
        return;
    // An open cell editor or a form field hands its text to its view when it loses the focus:
    // that happens before the guard runs. The focus stays on the page, so the page shown
    // next puts it on its own first control.
    QWidget* page = currentWidget();
    QList<QPointer<QWidget>> focusPath; // the focused control and its parents on the page
    for (QWidget* w = QApplication::focusWidget();
         w != nullptr && w != page && page->isAncestorOf(w); w = w->parentWidget())
        focusPath << w;
    if (!focusPath.isEmpty())
        page->setFocus(Qt::OtherFocusReason);
    if (m_bar->requestIndex(index) || focusPath.isEmpty())
        return;
    // Refused: back to the control the user was in (the grid, if that was its closed editor).
    for (const QPointer<QWidget>& w : focusPath) {
        if (w && w->isVisible() && w->isEnabled() && w->focusPolicy() != Qt::NoFocus) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}
