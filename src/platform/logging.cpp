#include "logging.h"

Q_LOGGING_CATEGORY(lcApp, "gatepoint.app")
Q_LOGGING_CATEGORY(lcConfig, "gatepoint.config")
Q_LOGGING_CATEGORY(lcCommands, "gatepoint.commands")
Q_LOGGING_CATEGORY(lcWidgets, "gatepoint.widgets")
Q_LOGGING_CATEGORY(lcWindow, "gatepoint.window")
Q_LOGGING_CATEGORY(lcPlatform, "gatepoint.platform")
Q_LOGGING_CATEGORY(lcSkin, "gatepoint.skin")
