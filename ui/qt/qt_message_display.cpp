#include "ui/qt/qt_message_display.h"

#include <QEventLoop>
#include <QMessageBox>

namespace tikr::qt {

void QtMessageDisplay::Show(std::string text, std::string caption) {
    QMessageBox box;  // no owner window
    box.setWindowModality(Qt::NonModal);
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setWindowTitle(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
    box.setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    box.setStandardButtons(QMessageBox::Ok);

    QEventLoop loop;
    QObject::connect(&box, &QMessageBox::finished, &loop, &QEventLoop::quit);
    box.show();
    box.raise();
    box.activateWindow();
    if (box.isVisible()) loop.exec();
}

}  // namespace tikr::qt
