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

// Acts on the widget find() gives once there is one; a widget that never
// comes is recorded as a failure (named by what) instead of hanging the test.
inline void WhenShown(std::function<QWidget*()> find, std::function<void(QWidget&)> act, const char* what,
                      int timeoutMs = 20000) {
    auto* poll = new QTimer(qApp);
    auto* started = new QElapsedTimer;
    started->start();
    QObject::connect(poll, &QTimer::timeout, poll,
                     [poll, started, find = std::move(find), act = std::move(act), what, timeoutMs] {
                         QWidget* shown = find();
                         if (shown == nullptr && started->elapsed() <= timeoutMs) return;
                         poll->stop();
                         poll->deleteLater();
                         delete started;
                         if (shown != nullptr) {
                             act(*shown);
                         } else {
                             ADD_FAILURE() << "no " << what << " came up";
                         }
                     });
    poll->start(10);
}

// Acts on the next modal widget once it is up.
inline void WhenModal(std::function<void(QWidget&)> act, int timeoutMs = 20000) {
    WhenShown(&QApplication::activeModalWidget, std::move(act), "modal window", timeoutMs);
}

// Acts on the next pop-up (a menu) once it is up.
inline void WhenPopup(std::function<void(QWidget&)> act, int timeoutMs = 20000) {
    WhenShown(&QApplication::activePopupWidget, std::move(act), "pop-up", timeoutMs);
}

inline QPushButton* Button(QWidget* dialog, int id) {
    return qobject_cast<QPushButton*>(static_cast<ResourceDialog*>(dialog)->Control(id));
}

}  // namespace tikr::qt::test_support
