#pragma once

#include <QLoggingCategory>

// One logging category per subsystem, so the launcher's debug lines can be
// filtered with QT_LOGGING_RULES ("gatepoint.config.debug=false") instead of
// replacing the message handler. The default message pattern does not print
// the category: the lines read as they always did.
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcConfig)
Q_DECLARE_LOGGING_CATEGORY(lcCommands)
Q_DECLARE_LOGGING_CATEGORY(lcWidgets)
Q_DECLARE_LOGGING_CATEGORY(lcWindow)
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
Q_DECLARE_LOGGING_CATEGORY(lcSkin)
