#pragma once

#include "tests/support/TestServer.h"

#include <QFile>
#include <QTemporaryDir>

// A temporary folder the server under test can reach: below TestServer::tempRoot(), and open to
// the owner's group when the server is an outside one (its service account is in that group).
class TestDir : public QTemporaryDir {
  public:
    TestDir() : QTemporaryDir(TestServer::tempRoot() + QStringLiteral("/varnoset-test-XXXXXX")) {
        if (TestServer::outsideServerGiven())
            QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                              QFile::ReadGroup | QFile::WriteGroup |
                                              QFile::ExeGroup);
    }
};
