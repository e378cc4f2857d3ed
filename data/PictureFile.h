#pragma once
// Picture files in the program's picture folders: which file a stored
// picture name may open, and the one way a chosen picture is copied in.
#include <QString>
#include <functional>

// A stored picture name (Pikcher, Foto) is a bare file name. One holding a
// path separator, "." or "..", or an absolute name, names no file.
bool isBarePictureName(const QString& name);

// The file that picture `name` denotes in `folder`: its path when the name
// is bare, the file exists and is a regular file, and its resolved path
// (links followed) lies inside the resolved folder; empty otherwise, so that
// nothing outside the picture folder is ever opened.
QString pictureFileIn(const QString& folder, const QString& name);

// Puts a picture the user chose into a picture folder.
struct PictureImport {
    enum Result {
        InFolder,   // the chosen file is already the folder's file (by resolved path)
        SameBytes,  // the folder holds a file of that name with the same content: it is used
        Copied,     // copied in (a different file of that name replaced only on Yes)
        Kept,       // a different file of that name is there and the user kept it
        Failed,     // nothing changed; the reason in `error`
    };
    Result result = Failed;
    QString name;    // the bare name to store (empty for Kept and Failed)
    QString error;
    bool ok() const { return result == InFolder || result == SameBytes || result == Copied; }
};

// `replace` is asked (with the bare name) only when a file of that name with
// other content is already in the folder. The target is never removed or
// overwritten before a complete copy exists: the copy is written to a
// temporary file in the folder and then renamed over the target.
PictureImport importPicture(const QString& chosen, const QString& folder,
                            const std::function<bool(const QString& name)>& replace);
