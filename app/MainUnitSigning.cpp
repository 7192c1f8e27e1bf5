// The certificate a Windows program is signed with. The page "EXE erstellen" keeps its designed
// layout: a small button "Signieren..." in the free room between "Datei nach dem Erstellen
// ausführen" and "Go!" opens a dialog with the certificate file, its password and an optional
// time-stamp server. The choice holds for this run only; the password is never written
// anywhere. The button is usable while "Zielsystem" is Windows.

#include "app/MainUnit.h"

#include "app/TApplication.h"
#include "controls/TFilenameEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace pagolux {

void TMainForm::addCertificateChoice(QWidget* page)
{
    SignBtn = new QPushButton(QStringLiteral("Signieren..."), page);
    SignBtn->setObjectName(QStringLiteral("SignBtn"));
    SignBtn->setStyleSheet(QStringLiteral("padding: 0px 2px;"));
    // The check box above ends where its caption ends, so that the button beside it covers none
    // of it; the button then takes the room up to "Go!".
    constexpr int kGoLeft = 296;
    const QRect check = AutoStartCheck->geometry();
    AutoStartCheck->resize(std::min(check.width(), AutoStartCheck->sizeHint().width()), check.height());
    const int left = std::max(212, AutoStartCheck->geometry().right() + 5);
    SignBtn->setGeometry(left, 31, kGoLeft - 4 - left, 18);
    connect(SignBtn, &QPushButton::clicked, this, [this] { runGuarded([this] { SignBtnClick(); }); });
    connect(TargetCombo, &QComboBox::currentIndexChanged, this, [this] { updateCertificateChoice(); });
    updateCertificateChoice();
}

void TMainForm::SignBtnClick()
{
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("SignDialog"));
    dialog.setWindowTitle(QStringLiteral("Windows-Programm signieren"));
    auto* form = new QFormLayout(&dialog);
    auto* note =
        new QLabel(QStringLiteral("Das Programm wird mit diesem Zertifikat (PKCS#12, .p12/.pfx) signiert.\n"
                                  "Ohne Zertifikat bleibt es unsigniert."),
                   &dialog);
    form->addRow(note);
    auto* cert = new TFilenameEdit(&dialog);
    cert->setObjectName(QStringLiteral("SignCertEdit"));
    cert->setFileName(signing_.certificate);
    cert->setMinimumWidth(280);
    cert->OnButtonClick = [this, cert] {
        runGuarded([this, cert] {
            FileDialogRequest request;
            request.title = "Zertifikat zum Signieren wählen";
            request.filter = "Zertifikate (*.p12;*.pfx)|*.p12;*.pfx|Alle Dateien (*)|*";
            request.fileName = cert->FileName();
            if (const auto chosen = interaction().chooseOpenFile(request))
                cert->setFileName(*chosen);
        });
    };
    form->addRow(QStringLiteral("Zertifikat:"), cert);
    auto* password = new QLineEdit(QString::fromStdString(signing_.password), &dialog);
    password->setObjectName(QStringLiteral("SignPasswordEdit"));
    password->setEchoMode(QLineEdit::Password);
    password->setToolTip(QStringLiteral("Wird nicht gespeichert"));
    form->addRow(QStringLiteral("Kennwort:"), password);
    auto* timestamp = new QLineEdit(QString::fromStdString(signing_.timestampUrl), &dialog);
    timestamp->setObjectName(QStringLiteral("SignTimestampEdit"));
    timestamp->setPlaceholderText(QStringLiteral("http://… (leer: ohne Zeitstempel)"));
    form->addRow(QStringLiteral("Zeitstempel-Server:"), timestamp);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return;
    signing_.certificate = cert->FileName();
    signing_.password = password->text().toStdString();
    signing_.timestampUrl = timestamp->text().trimmed().toStdString();
    updateCertificateChoice();
}

void TMainForm::updateCertificateChoice()
{
    SignBtn->setEnabled(buildTarget() == BuildTarget::Windows);
    SignBtn->setToolTip(
        signing_.certificate.empty()
            ? QStringLiteral("Windows-Programme mit einem Zertifikat signieren (zurzeit: nicht signieren)")
            : QStringLiteral("Signiert mit ") + QString::fromStdString(signing_.certificate));
}

SigningRequest TMainForm::signingRequest() const
{
    return buildTarget() == BuildTarget::Windows ? signing_ : SigningRequest{};
}

} // namespace pagolux
