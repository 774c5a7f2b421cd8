#pragma once

#include <QWidget>

class ProfileFile;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class Runtime;
class WindowState;

// Page "1.初始建库" of the main window: the installer enters server, login and where the new
// hotel database goes, and restores it from the shipped backup, as the working database
// (cb_3) or as the demonstration database (cb_4, shown in demo mode only).
class tabpage_csjk : public QWidget {
    Q_OBJECT
  public:
    // state: read only (isiflj); profile: where the set-up marker is written.
    tabpage_csjk(Runtime& runtime, const WindowState& state, const ProfileFile& profile,
                 QWidget* parent = nullptr);

    // The controls, in the order the page creates them.
    QPushButton* cb_4;
    QPushButton* cb_3;
    QLineEdit* sle_5;
    QLabel* st_12;
    QLineEdit* sle_4;
    QLabel* st_11;
    QLineEdit* sle_3;
    QLabel* st_10;
    QLineEdit* sle_2;
    QLabel* st_9;
    QLineEdit* sle_1;
    QLabel* st_8;
    QCheckBox* cbx_ys;
    QPlainTextEdit* mle_2;
    QPlainTextEdit* mle_1;
    QPlainTextEdit* mle_bz;
    QGroupBox* gb_1;

    // True while a creation procedure runs; clicks meanwhile do nothing.
    bool isRunning() const { return m_running; }

  public slots:
    void cbx_ys_clicked(); // working / demo switch
    void cb_3_clicked();   // working procedure: restores "vqdata"
    void cb_4_clicked();   // demo procedure: restores "vqdatays"

  private:
    enum class Procedure { Working, Demo };

    void createControls();
    void constructor(); // the page's constructor event: the default server name
    void createDatabase(Procedure procedure);
    void setConnectionFields();
    // Ends the connection after a failure of the working procedure, unless it is the one the
    // connection page made: pages 3 and 4 work on that one.
    void releaseConnection();
    // False for a name holding a path separator, a character Windows forbids in file names, or
    // a control character.
    static bool isUsableDatabaseName(const QString& name);
    // The error detail of the last failed call on sqlca: text, ",", code.
    QString errorDetail() const;

    Runtime& m_runtime;
    const WindowState& m_state;
    const ProfileFile& m_profile;
    bool m_running = false;
};
