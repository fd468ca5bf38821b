#pragma once

class QCoreApplication;

namespace zentari {

// Qt's own texts (the standard buttons "Да", "Нет", "Отмена", the file
// dialogs) in Russian, whatever the user's locale: the program speaks
// Russian everywhere. False when the translation is not installed; Qt's
// English texts then stay.
bool installRussianQtTexts(QCoreApplication& app);

} // namespace zentari
