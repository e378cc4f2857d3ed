#pragma once
#include <QString>

// Folder of the program's executable, without a trailing separator; every
// picture path is built on it. Taken once by the login dialog at its creation.
QString programFolder();
void setProgramFolder(const QString& folder);

// The three picture folders beneath the program folder, with a trailing separator.
QString instrumentFolder();   // Images/Instrument/
QString peopleFolder();       // Images/FotoPeoples/
QString noFotoFile();         // Images/NoFoto/null_img_1.jpg
