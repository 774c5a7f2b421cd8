#include "services/ui/g_w_mess.h"

#include "services/ui/LogicalUnits.h"
#include "services/ui/Resources.h"
#include "services/ui/SongFont.h"

#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QLabel>
#include <QMovie>
#include <QScreen>

namespace {

// A screen reader meets the popup as an alert named by its current text; the panel, the
// picture and the label beneath would only say the same again, or nothing.
class PopupInterface : public QAccessibleWidget {
  public:
    explicit PopupInterface(g_w_mess* popup)
        : QAccessibleWidget(popup, QAccessible::AlertMessage) {}

    QString text(QAccessible::Text t) const override {
        const auto* popup = static_cast<const g_w_mess*>(widget());
        if (t == QAccessible::Name && popup->st_prompt != nullptr)
            return popup->st_prompt->text();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
};

QAccessibleInterface* popupInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("g_w_mess") && object->isWidgetType())
        return new PopupInterface(static_cast<g_w_mess*>(object));
    return nullptr;
}

const QColor cream(255, 251, 240);

void setBackground(QLabel* label, const QColor& colour) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, colour);
    label->setPalette(pal);
    label->setAutoFillBackground(true);
}

} // namespace

QString g_w_mess::defaultPrompt() {
    return QStringLiteral("正在初始化数据库...");
}

g_w_mess::g_w_mess(const QString& vstmp, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint) {
    initVarnosetResources();
    QAccessible::installFactory(popupInterface); // once: Qt keeps each factory only once
    setObjectName("g_w_mess");
    setFixedSize(LogicalUnits::toPixels(1586, 252));
    setWindowIcon(QIcon(":/bmp/app.png"));

    // The raised cream panel lies behind the other two controls.
    st_1 = new QLabel(this);
    st_1->setObjectName("st_1");
    st_1->setGeometry(LogicalUnits::toPixels(5, 4, 1577, 240));
    st_1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    st_1->setLineWidth(2);
    QFont arial(QStringLiteral("Arial"), 12);
    st_1->setFont(arial);
    setBackground(st_1, cream);

    st_prompt = new QLabel(defaultPrompt(), this);
    st_prompt->setObjectName("st_prompt");
    st_prompt->setGeometry(LogicalUnits::toPixels(398, 96, 1134, 72));
    st_prompt->setFont(SongFont::font());
    setBackground(st_prompt, cream);

    p_1 = new QLabel(this);
    p_1->setObjectName("p_1");
    const QRect box = LogicalUnits::toPixels(37, 20, 334, 192);
    p_1->setGeometry(box);
    p_1->setAlignment(Qt::AlignCenter);
    setBackground(p_1, cream);
    m_movie = new QMovie(":/bmp/book.gif", QByteArray(), this);
    // Fit the 83 x 42 picture into its box without distorting it.
    QSize frame = QSize(83, 42).scaled(box.size(), Qt::KeepAspectRatio);
    m_movie->setScaledSize(frame);
    p_1->setMovie(m_movie);
    m_movie->start();

    wf_setmess(vstmp);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

void g_w_mess::wf_setmess(const QString& str) {
    st_prompt->setText(str);
    // The popup's name is its text: a screen reader hears the new one.
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void g_w_mess::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Announced as it appears, as a message box is.
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}
