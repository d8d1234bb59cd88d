#pragma once
// What the Qt front end's tests share: waiting for a condition or for the
// next modal window while the event loop runs, and the buttons of a built
// dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include "ui/qt/dialog_builder.h"

namespace tikr::qt::test_support {

// Runs the event loop until the condition holds or the time is up.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs) return false;
        QTest::qWait(10);
    }
    return true;
}

// Acts on the next modal widget once it is up; a modal that never comes
// is recorded as a failure instead of hanging the test.
inline void WhenModal(std::function<void(QWidget&)> act, int timeoutMs = 20000) {
    auto* poll = new QTimer(qApp);
    auto* started = new QElapsedTimer;
    started->start();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, started, act = std::move(act), timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr && started->elapsed() <= timeoutMs) return;
        poll->stop();
        poll->deleteLater();
        delete started;
        if (modal != nullptr) {
            act(*modal);
        } else {
            ADD_FAILURE() << "no modal window came up";
        }
    });
    poll->start(10);
}

inline QPushButton* Button(QWidget* dialog, int id) {
    return qobject_cast<QPushButton*>(static_cast<ResourceDialog*>(dialog)->Control(id));
}

}  // namespace tikr::qt::test_support
