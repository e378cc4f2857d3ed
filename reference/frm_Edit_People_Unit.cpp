#include "frm_Edit_People_Unit.h"

#include "DM_Unit.h"
#include "DataAware.h"
#include "Dialogs.h"
#include "ImageBox.h"
#include "PictureChoice.h"
#include "PictureFile.h"
#include "ProgramFolder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

Tfrm_Edit_People* frm_Edit_People = nullptr;

Tfrm_Edit_People::Tfrm_Edit_People(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("frm_Edit_People"));
    resize(520, 460);

    Label1 = new QLabel(QStringLiteral("ФИО оператора"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    dbed_FIO = new DBEdit(this);
    dbed_FIO->setObjectName(QStringLiteral("dbed_FIO"));
    dbed_FIO->bind(&DM->tbl_People, QStringLiteral("FIO"));

    GroupBox1 = new QGroupBox(QStringLiteral("Фото оператора"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setToolTip(QStringLiteral("Правая кнопка мыши - Добавить/Удалить картинку"));
    img_Foto = new ImageBox(GroupBox1);
    img_Foto->setObjectName(QStringLiteral("img_Foto"));
    auto* g1 = new QVBoxLayout(GroupBox1);
    g1->addWidget(img_Foto);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    pm_Add_Pic = PopupMenu1->addAction(QStringLiteral("Добавить картинку"));
    pm_Add_Pic->setObjectName(QStringLiteral("pm_Add_Pic"));
    pm_Del_Pic = PopupMenu1->addAction(QStringLiteral("Удалить картинку"));
    pm_Del_Pic->setObjectName(QStringLiteral("pm_Del_Pic"));
    GroupBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    img_Foto->setContextMenuPolicy(Qt::CustomContextMenu);
    auto popup = [this](QWidget* w) {
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint& p) { PopupMenu1->popup(w->mapToGlobal(p)); });
    };
    popup(GroupBox1);
    popup(img_Foto);
    connect(pm_Add_Pic, &QAction::triggered, this, &Tfrm_Edit_People::pm_Add_PicClick);
    connect(pm_Del_Pic, &QAction::triggered, this, &Tfrm_Edit_People::pm_Del_PicClick);

    GroupBox2 = new QGroupBox(QStringLiteral("Описание"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    DBMemo1 = new DBMemo(GroupBox2);
    DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
    DBMemo1->bind(&DM->tbl_People, QStringLiteral("Prim"));
    auto* g2 = new QVBoxLayout(GroupBox2);
    g2->addWidget(DBMemo1);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Отмена"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    connect(BitBtn1, &QPushButton::clicked, this, &Tfrm_Edit_People::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(Label1);
    top->addWidget(dbed_FIO, 1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(GroupBox1, 1);
    middle->addWidget(GroupBox2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addLayout(middle, 1);
    lay->addLayout(buttons);
}

void Tfrm_Edit_People::FormShow()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString path = pictureFileIn(peopleFolder(), PhotoName);
    if (!path.isEmpty() && img_Foto->loadFile(path))
        img_Foto->show();
    else
        img_Foto->hidePicture();
    QApplication::restoreOverrideCursor();
    dbed_FIO->setFocus();
}

void Tfrm_Edit_People::pm_Add_PicClick()
{
    const QString folder = programFolder() + QStringLiteral("/Images/FotoPeoples");
    const QString chosen = Dialogs::openFile(
        this, QStringLiteral("Фото оператора"), folder,
        QStringLiteral("JPEG Image File (*.jpg);;JPEG Image File (*.jpeg);;Bitmaps (*.bmp)"));
    // A cancelled file dialog leaves the operator's photograph as it was.
    if (chosen.isEmpty())
        return;
    const PictureChoice choice = choosePicture(this, img_Foto, chosen, folder);
    switch (choice.result) {
    case PictureChoice::Chosen:
        PhotoName = choice.name;
        break;
    case PictureChoice::Kept:   // the folder's own file of that name stays, and so does the photograph
        break;
    case PictureChoice::Missing:
        PhotoName.clear();
        img_Foto->setVisible(true);
        break;
    case PictureChoice::Failed:
        PhotoName.clear();
        img_Foto->hidePicture();
        break;
    }
}

void Tfrm_Edit_People::pm_Del_PicClick()
{
    img_Foto->hidePicture();
    PhotoName.clear();
}

void Tfrm_Edit_People::BitBtn1Click()
{
    if (dbed_FIO->text().isEmpty()) {
        Dialogs::info(this, QStringLiteral("Поле \"ФИО оператора\" не может быть пустым!"));
        dbed_FIO->setFocus();
        return;
    }
    DM->tbl_People.fieldByName(QStringLiteral("Foto")).setAsString(PhotoName);
    ResultWord = QStringLiteral("Done");
    accept();
}
