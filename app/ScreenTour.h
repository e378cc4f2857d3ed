#pragma once
// Hooks used only by tools/screenshots.sh, which runs the program under a
// virtual X server with no keyboard or mouse. Both are off unless their
// environment variable is set:
//   TOOLDB_AUTOLOGIN=<password>  when the login dialog shows, types the
//       password into ed_Password and presses OK (btm_OKClick), as a person would;
//   TOOLDB_SCREENSHOTS=<folder>  once the main window shows, clicks the
//       "Диам. св." title of the drills grid, shows each page in turn, saves
//       it as <folder>/page-<index>.png and closes the program.
class QApplication;

void installScreenTour(QApplication& app);
