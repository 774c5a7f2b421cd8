#include "Transaction.h"

// Placeholder bodies until the ODBC implementation lands.
struct Transaction::Impl {
    bool autoCommit = false;
};

Transaction::Transaction() : d(std::make_unique<Impl>()) {}
Transaction::~Transaction() = default;
bool Transaction::autoCommit() const { return d->autoCommit; }
void Transaction::setAutoCommit(bool on) { d->autoCommit = on; }
bool Transaction::isConnected() const { return false; }
int Transaction::connect() { return SQLCode = -1; }
int Transaction::disconnect() { return SQLCode = -1; }
int Transaction::commit() { return SQLCode = -1; }
int Transaction::rollback() { return SQLCode = -1; }
int Transaction::executeImmediate(const QString&) { return SQLCode = -1; }
int Transaction::execute(const QString&, const QList<QVariant>&) { return SQLCode = -1; }
int Transaction::selectRow(const QString&, const QList<QVariant>&, QList<QVariant>&) { return SQLCode = -1; }
int Transaction::selectRows(const QString&, const QList<QVariant>&, QList<QList<QVariant>>&) { return SQLCode = -1; }
