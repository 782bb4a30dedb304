#include "report/preview/previewsearchform.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace marlune::report::preview {

PreviewSearchForm::PreviewSearchForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PreviewSearchForm"));
    setWindowTitle(QStringLiteral("Find text"));
    auto* layout = new QVBoxLayout(this);

    auto* label = new QLabel(QStringLiteral("Text to &find"), this);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("Edit1"));
    label->setBuddy(edit_);
    layout->addWidget(label);
    layout->addWidget(edit_);

    auto* groups = new QHBoxLayout;
    auto* options = new QGroupBox(QStringLiteral("Options"), this);
    auto* optionsLayout = new QVBoxLayout(options);
    caseBox_ = new QCheckBox(QStringLiteral("&Case sensitive"), options);
    optionsLayout->addWidget(caseBox_);
    optionsLayout->addStretch();
    groups->addWidget(options);

    auto* origin = new QGroupBox(QStringLiteral("Origin"), this);
    auto* originLayout = new QVBoxLayout(origin);
    firstPage_ = new QRadioButton(QStringLiteral("&1st page"), origin);
    currentPage_ = new QRadioButton(QStringLiteral("Current &page"), origin);
    firstPage_->setChecked(true);
    originLayout->addWidget(firstPage_);
    originLayout->addWidget(currentPage_);
    groups->addWidget(origin);
    layout->addLayout(groups);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString PreviewSearchForm::Text() const
{
    return edit_->text();
}

void PreviewSearchForm::SetText(const QString& text)
{
    edit_->setText(text);
}

bool PreviewSearchForm::CaseSensitive() const
{
    return caseBox_->isChecked();
}

void PreviewSearchForm::SetCaseSensitive(bool on)
{
    caseBox_->setChecked(on);
}

bool PreviewSearchForm::FromFirstPage() const
{
    return firstPage_->isChecked();
}

void PreviewSearchForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    edit_->setFocus();
    edit_->selectAll();
}

} // namespace marlune::report::preview
