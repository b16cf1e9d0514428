#pragma once
// A message box is only as wide as its text, so the desktop cuts its title
// short ("Inf... oss"); this widens one until its whole title shows.

class QMessageBox;

void FitTitle(QMessageBox& box);
