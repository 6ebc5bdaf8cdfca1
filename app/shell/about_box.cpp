#include "shell/about_box.h"

#include "shell/distributor_info.h"
#include "shell/product_version.h"
#include "shell/services/shell_functions.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <memory>

namespace {

QPointer<QDialog>& sharedBox() {
    static QPointer<QDialog> box;
    return box;
}

QPixmap logoPixmap(const QImage& logo) {
    if (logo.isNull()) return QMessageBox::standardIcon(QMessageBox::Information);
    if (logo.width() <= kAboutBoxLogoWidth) return QPixmap::fromImage(logo);
    return QPixmap::fromImage(logo.scaledToWidth(kAboutBoxLogoWidth, Qt::FastTransformation));
}

QString boldParagraph(const QString& text) {
    return QStringLiteral("<p><font size=\"+1\"><b>%1</b></font></p>").arg(text);
}

QString aboutHtml(const QString& aboutText) {
    QString html = QStringLiteral("<center>") + boldParagraph(productNameHtml());
    if (!aboutText.isEmpty()) html += boldParagraph(aboutText);
    const QString version =
        QCoreApplication::translate("ZtApp", "Version", "[all]Appears in the About box");
    // The revision's forty digits cannot wrap; in the smaller size they fit
    // the text's width.
    const QString revision =
        QStringLiteral("<font size=\"-1\">(%1)</font>").arg(QLatin1String(kSourceRevision));
    html += htmlParagraph(version + QLatin1Char(' ') + versionNumberText() + QLatin1Char(' ') +
                          revision);
    html += QStringLiteral("<hr /></center>");
    return html;
}

} // namespace

QDialog* createAboutBox(QWidget* parent, const QString& aboutText, const QImage& logo) {
    auto* box = new QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    box->setMinimumSize(320, 0);
    box->setMaximumSize(320, 1024);
    auto* close = new QShortcut(QKeySequence::Close, box);
    close->setContext(Qt::WindowShortcut);
    QObject::connect(close, &QShortcut::activated, box, &QDialog::close);

    auto* logoLabel = new QLabel(box);
    logoLabel->setObjectName(QStringLiteral("logo"));
    logoLabel->setPixmap(logoPixmap(logo));

    auto* textLabel = new QLabel(box);
    textLabel->setObjectName(QStringLiteral("text"));
    textLabel->setWordWrap(true);
    textLabel->setMaximumWidth(kAboutBoxTextWidth);
    textLabel->setTextFormat(Qt::RichText);
    textLabel->setText(aboutHtml(aboutText));

    auto* ok = new QPushButton(QStringLiteral("OK"), box);
    QObject::connect(ok, &QPushButton::clicked, box, &QDialog::close);

    auto* layout = new QVBoxLayout(box);
    layout->addWidget(logoLabel, 0, Qt::AlignHCenter);
    layout->addWidget(textLabel, 0, Qt::AlignHCenter);
    layout->addStretch();
    layout->addWidget(ok, 1, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    box->setSizeGripEnabled(false);
    return box;
}

QDialog* showAboutBox(QWidget* parent) {
    QPointer<QDialog>& box = sharedBox();
    if (!box) {
        const DistributorInfo& info = distributorInfo();
        box = createAboutBox(parent, info.aboutText, info.logo);
    }
    box->show();
    box->raise();
    box->activateWindow();
    return box;
}

void deleteAboutBox() {
    delete sharedBox().data();
}

int showAboutBoxFromCommandLine() {
    // QApplication keeps a reference to its argument count for its whole
    // life, so the count and the arguments are static.
    static int argc = 1;
    static char name[] = "cutout";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QApplication> temporary;
    if (!QCoreApplication::instance()) temporary = std::make_unique<QApplication>(argc, argv);

    const DistributorInfo& info = distributorInfo();
    std::unique_ptr<QDialog> box(createAboutBox(nullptr, info.aboutText, info.logo));
    box->setWindowFlags(box->windowFlags() | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    box->exec();
    box.reset();
    temporary.reset();
    return 0;
}
