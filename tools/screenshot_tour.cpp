// tooldb-screenshots: the README's pictures. Runs the program as tooldb does,
// on db_instr.db in the current folder and the picture folders beside this
// executable, and in the person's place types the password into the login
// dialog (ed_Password, then btm_OK); once the main window shows it clicks
// the "Диам. св." title of the drills grid, shows each page in turn, saves it
// as <folder>/page-<index>.png, saves the reference lists and the operator
// editor, and closes the program. Never installed: tools/screenshots.sh
// builds and runs it under a virtual X server.
//   tooldb-screenshots FOLDER [PASSWORD]      (password "123" when not given)
#include "DBGrid.h"
#include "ProgramFolder.h"
#include "RecordSet.h"
#include "DM_Unit.h"
#include "frm_Edit_People_Unit.h"
#include "frm_Firm_List_Unit.h"
#include "frm_Main_Unit.h"
#include "frm_Pasw_List_Unit.h"
#include "frm_People_Unit.h"
#include "frm_Pasword_Unit.h"
#include "Program.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

namespace {

class ScreenTour : public QObject {
public:
    ScreenTour(const QString& password, const QString& folder, QObject* parent)
        : QObject(parent), m_password(password), m_folder(folder) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() != QEvent::Show)
            return false;
        if (frm_Pasword && watched == frm_Pasword) {
            QTimer::singleShot(0, frm_Pasword, [this] {
                frm_Pasword->ed_Password->setText(m_password);
                frm_Pasword->btm_OK->click();
            });
        } else if (frm_Main && watched == frm_Main && !m_toured) {
            m_toured = true;
            QTimer::singleShot(300, frm_Main, [this] { tour(); });
        }
        return false;
    }

private:
    // Makes current the first row whose pictures exist, as a person would
    // click it, so the page shows its picture controls at work.
    static void pickRowWithPicture(int page)
    {
        RecordSet* rs = frm_Main->pageRecordSet(page);
        if (!rs)
            return;
        const int pic = rs->fieldIndex(QStringLiteral("Pikcher"));
        const int foto = rs->fieldIndex(QStringLiteral("Foto"));
        for (int pos = 0; pos < rs->recordCount(); ++pos) {
            const bool hasPic = pic >= 0 && QFileInfo(instrumentFolder() + rs->textAt(pos, pic)).isFile();
            const bool hasFoto = foto < 0 || QFileInfo(peopleFolder() + rs->textAt(pos, foto)).isFile();
            if (hasPic && hasFoto) {
                rs->setRecNo(pos + 1);
                return;
            }
        }
    }

    void tour()
    {
        QDir().mkpath(m_folder);
        DBGrid* drills = frm_Main->dbgr_Sverlo;
        const int col = drills->columnOf(QStringLiteral("Diam_Sverla"));
        if (col >= 0)
            emit drills->horizontalHeader()->sectionClicked(col);
        for (int page = 0; page < frm_Main->PageControl_Main->count(); ++page) {
            frm_Main->PageControl_Main->setCurrentIndex(page);
            pickRowWithPicture(page);
            QApplication::processEvents();
            frm_Main->grab().save(QDir(m_folder).filePath(QStringLiteral("page-%1.png").arg(page)));
        }
        // The reference lists, and the operator editor on a row with a photograph.
        shootPeople();
        shoot(frm_Firm_List, QStringLiteral("firms"));
        shoot(frm_Pasw_List, QStringLiteral("accounts"));
        frm_Main->close();
    }

    void shootPeople()
    {
        RecordSet& people = DM->tbl_People;
        frm_People->show();   // opens the list, in name order
        const int foto = people.fieldIndex(QStringLiteral("Foto"));
        for (int pos = 0; pos < people.recordCount(); ++pos) {
            if (QFileInfo(peopleFolder() + people.textAt(pos, foto)).isFile()) {
                people.setRecNo(pos + 1);
                break;
            }
        }
        QApplication::processEvents();
        frm_People->grab().save(QDir(m_folder).filePath(QStringLiteral("people.png")));
        people.edit();
        frm_Edit_People->PhotoName = people.fieldByName(QStringLiteral("Foto")).asString();
        frm_Edit_People->setWindowTitle(QStringLiteral("Редактирование записи. Таблица: СПИСОК ОПЕРАТОРОВ"));
        shoot(frm_Edit_People, QStringLiteral("people-editor"));
        people.cancel();
        frm_People->close();
    }

    // Shows a window without waiting for the user, saves it, hides it again.
    void shoot(QWidget* w, const QString& name)
    {
        w->show();
        QApplication::processEvents();
        w->grab().save(QDir(m_folder).filePath(name + QStringLiteral(".png")));
        w->hide();
    }

    QString m_password;
    QString m_folder;
    bool m_toured = false;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || args.size() > 2) {
        std::fprintf(stderr, "usage: tooldb-screenshots FOLDER [PASSWORD]\n");
        return 2;
    }
    // As tooldb starts.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    const QString password = args.size() > 1 ? args.at(1) : QStringLiteral("123");
    app.installEventFilter(new ScreenTour(password, QDir(args.at(0)).absolutePath(), &app));
    return Program::Run(Program::databaseFile());
}
