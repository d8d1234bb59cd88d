#include "ui/qt/qt_message_display.h"

#include <QEventLoop>
#include <QGridLayout>
#include <QSpacerItem>
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
    // Wide enough for the caption to be read whole in the title bar.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int captionWidth = QFontMetrics(box.font()).horizontalAdvance(box.windowTitle()) + 120;
        grid->addItem(new QSpacerItem(captionWidth, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0,
                      1, grid->columnCount());
    }

    QEventLoop loop;
    QObject::connect(&box, &QMessageBox::finished, &loop, &QEventLoop::quit);
    box.show();
    box.raise();
    box.activateWindow();
    if (box.isVisible()) loop.exec();
}

}  // namespace tikr::qt
