#pragma once

#include <QPointer>
#include <QString>

namespace tornel::ui {

class Label;
class PictureBox;
class clsTabs;

// One tab of a strip: its picture and its caption label. A selected tab
// shows the "sel" picture and a bold caption.
class clsTab {
  public:
    void Create(clsTabs* tParent, PictureBox* iImage, Label* lLabel);

    bool Selected() const { return selected_; }
    void setSelected(bool isSel);
    QString Caption() const { return caption_; }
    void setCaption(const QString& SCap);

    PictureBox* img() const { return img_; }
    Label* lbl() const { return lbl_; }

  private:
    clsTabs* parent_ = nullptr;
    QPointer<PictureBox> img_;
    QPointer<Label> lbl_;
    bool selected_ = false;
    QString caption_;
};

}  // namespace tornel::ui
