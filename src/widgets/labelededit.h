#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPointer>

namespace marlune::widgets {

// An edit box with a caption label above it. The label is a sibling of the
// edit (a child of the same parent) and follows the edit when it moves.
class LabeledEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit LabeledEdit(QWidget* parent);
    ~LabeledEdit() override;

    QLabel* EditLabel() const { return label_; }
    // Gap in pixels between the label's bottom and the edit's top.
    int LabelSpacing() const { return labelSpacing_; }
    void SetLabelSpacing(int spacing);
    void SetLabelCaption(const QString& caption);

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void PlaceLabel();

    QPointer<QLabel> label_;
    int labelSpacing_ = 3;
};

} // namespace marlune::widgets
