#pragma once

class QApplication;

// What every window of ours expects of the application: Japanese texts in the
// standard dialogs, the Windows Japanese font names mapped to installed fonts,
// and the window font.
void setUpApplication(QApplication& application);
