#pragma once
#include <QList>
#include <QString>

enum class FieldType { Integer, Float, Boolean, DateTime, Text, Memo };

// A persistent field of a record set: its name and type as the database
// holds them, and how grids and exports show it.
struct FieldDef {
    QString name;
    FieldType type = FieldType::Integer;
    int size = 0;          // characters, for Text
    QString label;         // display label; the name when empty
    int width = -1;        // display width in characters; -1 = the type's default
    bool visible = true;

    QString displayLabel() const { return label.isEmpty() ? name : label; }
    int displayWidth() const
    {
        if (width > 0)
            return width;
        switch (type) {
        case FieldType::Text: return size > 0 ? size : 10;
        case FieldType::DateTime: return 18;
        case FieldType::Boolean: return 5;
        default: return 10;
        }
    }
};

// Short builders used by the record-set declarations.
inline FieldDef fInt(const QString& n, const QString& label = {}, int w = -1, bool vis = true)
{ return FieldDef{n, FieldType::Integer, 0, label, w, vis}; }
inline FieldDef fFloat(const QString& n, const QString& label = {}, int w = -1, bool vis = true)
{ return FieldDef{n, FieldType::Float, 0, label, w, vis}; }
inline FieldDef fBool(const QString& n, const QString& label = {}, int w = -1, bool vis = true)
{ return FieldDef{n, FieldType::Boolean, 0, label, w, vis}; }
inline FieldDef fDate(const QString& n, const QString& label = {}, int w = -1, bool vis = true)
{ return FieldDef{n, FieldType::DateTime, 0, label, w, vis}; }
inline FieldDef fText(const QString& n, int size, const QString& label = {}, int w = -1, bool vis = true)
{ return FieldDef{n, FieldType::Text, size, label, w, vis}; }
inline FieldDef fMemo(const QString& n, const QString& label = {}, int w = -1, bool vis = true)
{ return FieldDef{n, FieldType::Memo, 0, label, w, vis}; }
inline FieldDef hidden(FieldDef f) { f.visible = false; return f; }
