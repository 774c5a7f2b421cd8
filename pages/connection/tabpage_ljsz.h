#pragma once

#include <QWidget>

class ProfileFile;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class Runtime;
class Transaction;
class WindowState;

// Page "2.连接设置" of the main window: tries connection parameters, then connects sqlca and
// saves them to pbbook.ini, which opens pages 3 and 4.
class tabpage_ljsz : public QWidget {
    Q_OBJECT
  public:
    // state: this page sets isiflj; profile: the saved connection settings.
    tabpage_ljsz(Runtime& runtime, WindowState& state, const ProfileFile& profile,
                 QWidget* parent = nullptr);

    // The controls in declaration order.
    QPlainTextEdit* mle_3;
    QLineEdit* sle_dbparm;
    QLabel* st_3;
    QLabel* st_7;
    QLabel* st_1;
    QLabel* st_2;
    QLabel* st_5;
    QLabel* st_6;
    QPushButton* cb_ok;
    QLineEdit* sle_dbms;
    QLineEdit* sle_database;
    QLineEdit* sle_server;
    QLineEdit* sle_logid;
    QLineEdit* sle_logpass;
    QPushButton* cb_5;

  public slots:
    void cb_5_clicked();  // test the connection
    void cb_ok_clicked(); // connect and save

  private:
    void constructorEvent();
    // The six fields into a transaction, in the order the handlers assign them.
    void copyFieldsInto(Transaction& t) const;

    Runtime& m_runtime;
    WindowState& m_state;
    const ProfileFile& m_profile;
};
