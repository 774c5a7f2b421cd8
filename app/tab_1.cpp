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

#include <QKeyEvent>

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
    setCurrentIndex(0);
}

long tab_1::selectionchanging(int oldindex, int newindex) {
    Q_UNUSED(oldindex);
    switch (newindex) {
    case 3:
        if (!m_state.connected()) {
            m_runtime.t_f_ok(kNotConnected);
            return 1;
        }
        return tabpage_jbxx->enterPage() ? 0 : 1;
    case 4:
        if (!m_state.connected()) {
            m_runtime.t_f_ok(kNotConnected);
            return 1;
        }
        return tabpage_mkgl->enterPage() ? 0 : 1;
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
    if (step == 0 || count() < 2) {
        QTabWidget::keyPressEvent(event);
        return;
    }
    for (int i = 1; i < count(); ++i) {
        const int index = ((currentIndex() + step * i) % count() + count()) % count();
        if (isTabEnabled(index)) {
            m_bar->requestIndex(index);
            break;
        }
    }
    event->accept();
}
