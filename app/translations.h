// Qt's own texts (standard dialogs, context menus, message-box buttons) in Russian.
#pragma once

// Installs Qt's Russian translations into the running application, whatever the desktop's
// language: the program's own interface is Russian, and its dialogs must not mix in another
// language. Call after the application object exists and before the first widget. Returns
// false when the translation files are not installed; Qt's texts then stay as they are.
bool InstallRussianQtTranslations();
