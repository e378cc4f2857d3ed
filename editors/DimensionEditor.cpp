#include "DimensionEditor.h"

#include "Dialogs.h"

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

bool TDimensionEditor::numericText(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (!isDigit(c) && c != QLatin1Char(',') && c != QLatin1Char('.'))
            return false;
    return true;
}

bool TDimensionEditor::readFloat(const QString& text, double* out)
{
    int digits = 0, commas = 0;
    for (QChar c : text) {
        if (isDigit(c))
            ++digits;
        else if (c == QLatin1Char(','))
            ++commas;
        else
            return false;
    }
    if (digits == 0 || commas > 1)
        return false;
    bool ok = false;
    const double v = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

bool TDimensionEditor::readInt(const QString& text, int* out)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (!isDigit(c))
            return false;
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok)
        return false;
    *out = v;
    return true;
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
    paint(diam, false);
    double d = 0;
    if (!numericText(diam->text()) || !readFloat(diam->text(), &d)) {
        paint(diam, true);
        return;
    }
    // Proposed before the range is tested: an out-of-range diameter is copied too.
    if (ResultWord == QLatin1String("New")) {
        shank->setText(diam->text());
        length->setText(rounded(d * 11));
        cutting->setText(rounded(d * 5));   // last: the length's handler wrote half the length here
    }
    if (d < 0.1 || d > 30)
        paint(diam, true);
}

void TDimensionEditor::rangeChange(QLineEdit* box, bool integer, double lo, bool loOpen, double hi, QLineEdit* half)
{
    paint(box, false);
    const QString t = box->text();
    double v = 0;
    bool read = numericText(t);
    if (read && integer) {
        int i = 0;
        read = readInt(t, &i);
        v = i;
    } else if (read) {
        read = readFloat(t, &v);
    }
    if (!read) {
        paint(box, true);
        return;
    }
    if (half && ResultWord == QLatin1String("New"))
        half->setText(rounded(v / 2));
    if ((loOpen ? v <= lo : v < lo) || v > hi)
        paint(box, true);
}

bool TDimensionEditor::convertible(const QList<Conversion>& boxes)
{
    for (const Conversion& c : boxes) {
        double d = 0;
        int i = 0;
        const bool ok = c.integer ? readInt(c.box->text(), &i) : readFloat(c.box->text(), &d);
        if (!ok) {
            const QString field = QString::fromUtf8(c.field);
            Dialogs::info(this, c.integer
                                    ? QStringLiteral("Поле \"%1\" должно содержать целое число!").arg(field)
                                    : QStringLiteral("Поле \"%1\" должно содержать число (например 12,5)!").arg(field));
            if (c.box->focusPolicy() != Qt::NoFocus)
                c.box->setFocus();
            return false;
        }
    }
    return true;
}

double TDimensionEditor::floatOf(const QLineEdit* box)
{
    double d = 0;
    readFloat(box->text(), &d);
    return d;
}

int TDimensionEditor::intOf(const QLineEdit* box)
{
    int i = 0;
    readInt(box->text(), &i);
    return i;
}
