#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;

// The preview's "Find text" dialog: the text, case sensitivity, and whether
// to start on the first page or the current one.
namespace marlune::report::preview {

class PreviewSearchForm : public QDialog {
    Q_OBJECT
public:
    explicit PreviewSearchForm(QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);
    bool CaseSensitive() const;
    void SetCaseSensitive(bool on);
    bool FromFirstPage() const;

    QLineEdit* textEdit() const { return edit_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* edit_;
    QCheckBox* caseBox_;
    QRadioButton* firstPage_;
    QRadioButton* currentPage_;
};

} // namespace marlune::report::preview
