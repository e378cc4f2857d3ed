#include "DimensionEditor.h"

#include "ToolChecks.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <cfenv>
#include <cmath>

namespace {

const QColor Red(255, 0, 0);
const QColor White(255, 255, 255);

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

} // namespace

bool TDimensionEditor::isRed(const QLineEdit* box)
{
    return box->palette().color(QPalette::Base) == Red;
}

void TDimensionEditor::paint(QLineEdit* box, bool red)
{
    QPalette p = box->palette();
    p.setColor(QPalette::Base, red ? Red : White);
    box->setPalette(p);
}

QLineEdit* TDimensionEditor::dimensionBox(const char* name, const char* label, const char* hint)
{
    if (!GroupBox2) {
        GroupBox2 = new QGroupBox(QStringLiteral("Геометрические характеристики"), this);
        GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
        new QGridLayout(GroupBox2);
    }
    auto* box = new QLineEdit(GroupBox2);
    box->setObjectName(QString::fromLatin1(name));
    box->setToolTip(QString::fromUtf8(hint));
    box->setFixedWidth(90);
    auto* grid = static_cast<QGridLayout*>(GroupBox2->layout());
    const int r = grid->rowCount();
    auto* l = new QLabel(QString::fromUtf8(label), GroupBox2);
    l->setBuddy(box);
    grid->addWidget(l, r, 0);
    grid->addWidget(box, r, 1, Qt::AlignLeft);
    paint(box, true);   // empty, so invalid
    return box;
}

bool TDimensionEditor::decimalKey(QChar& key)
{
    if (key == QLatin1Char('.'))
        key = QLatin1Char(',');
    return isDigit(key) || key == QLatin1Char(',');
}

bool TDimensionEditor::digitKey(QChar& key)
{
    return isDigit(key);
}

bool TDimensionEditor::separatorKey(QChar& key)
{
    return isDigit(key) || key == QLatin1Char(',') || key == QLatin1Char('.');
}

void TDimensionEditor::setKeyFilter(QLineEdit* box, std::function<bool(QChar&)> filter)
{
    m_keyFilters.insert(box, std::move(filter));
    box->installEventFilter(this);
}

bool TDimensionEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return TToolEditor::eventFilter(watched, event);
    const auto it = m_keyFilters.constFind(watched);
    if (it == m_keyFilters.constEnd())
        return TToolEditor::eventFilter(watched, event);
    auto* k = static_cast<QKeyEvent*>(event);
    // Backspace is a character the filters do not admit: only Delete or
    // overtyping a selection removes text.
    if (k->key() == Qt::Key_Backspace)
        return true;
    // Keys that bring no printable character (moving, Delete, Enter, Esc,
    // Tab, the clipboard and undo keys) work as in any box; what a paste
    // brings in is tested by the change handler like typed text.
    const QString text = k->text();
    if (text.isEmpty() || (text.size() == 1 && !text.front().isPrint())
        || (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    if (text.size() != 1)
        return true;   // several characters at once are none of those admitted
    QChar c = text.front();
    if (!(*it)(c))
        return true;
    if (c != text.front()) {
        static_cast<QLineEdit*>(watched)->insert(QString(c));
        return true;
    }
    return false;
}

QString TDimensionEditor::rounded(double v)
{
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(v);
    std::fesetround(mode);
    return QString::number(r, 'f', 0);
}

void TDimensionEditor::diameterChange(QLineEdit* diam, QLineEdit* shank, QLineEdit* length, QLineEdit* cutting)
{
    const toolchecks::Range& range = toolchecks::rangeOf(kind(), diam->objectName());
    paint(diam, false);
    double d = 0;
    if (!toolchecks::readNumber(range, diam->text(), &d)) {
        paint(diam, true);
        return;
    }
    // Proposed before the range is tested: an out-of-range diameter is copied too.
    if (ResultWord == QLatin1String("New")) {
        shank->setText(diam->text());
        length->setText(rounded(d * 11));
        cutting->setText(rounded(d * 5));   // last: the length's handler wrote half the length here
    }
    if (!toolchecks::inRange(range, d))
        paint(diam, true);
}

void TDimensionEditor::rangeChange(QLineEdit* box, QLineEdit* half)
{
    const toolchecks::Range& range = toolchecks::rangeOf(kind(), box->objectName());
    paint(box, false);
    double v = 0;
    if (!toolchecks::readNumber(range, box->text(), &v)) {
        paint(box, true);
        return;
    }
    if (half && ResultWord == QLatin1String("New"))
        half->setText(rounded(v / 2));
    if (!toolchecks::inRange(range, v))
        paint(box, true);
}

double TDimensionEditor::floatOf(const QLineEdit* box)
{
    double d = 0;
    toolchecks::readFloat(box->text(), &d);
    return d;
}

int TDimensionEditor::intOf(const QLineEdit* box)
{
    int i = 0;
    toolchecks::readInt(box->text(), &i);
    return i;
}
