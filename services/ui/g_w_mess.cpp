#include "services/ui/g_w_mess.h"

#include "services/ui/LogicalUnits.h"
#include "services/ui/Resources.h"
#include "services/ui/SongFont.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMovie>
#include <QScreen>

namespace {

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
}
