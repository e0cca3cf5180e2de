// Program-wide settings: filled from config.ini by SaveDataAndLog at start-up and shared by
// all windows. GUI thread only.
#pragma once

#include <QString>
#include <QStringList>

extern bool isFilerDistanceZero;        // handed to the glue at every connection start
extern QStringList LidarType_Velkor;     // model keys offered by the connection dialogs
extern QStringList LidarType_oldVelkor;
extern QStringList LidarType_Mavrin;
extern QStringList LidarType_Kaldor;
extern QStringList LidarType_Ostrik;
extern QStringList LidarType_Rendal;
extern QStringList LidarType_Tolvek;
extern QString LastOfflinePlayPath;     // last directory a capture was played from
extern QString currentLidarType;        // model key of the current connection

// <application directory>/config.ini; LUMIVAR_CONFIG_FILE names another file (tests).
QString programConfigFilePath();

// A model-key list value: keys separated by blanks, empty parts dropped.
QStringList splitModelKeyList(const QString& value);
