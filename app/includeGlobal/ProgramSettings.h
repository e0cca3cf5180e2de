// Program-wide settings: filled from config.ini by SaveDataAndLog at start-up and shared by
// all windows. GUI thread only.
#pragma once

#include <QByteArray>
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

// A string value as QSettings writes it into an INI file with the UTF-8 codec, so that
// QSettings reads back the same string.
QByteArray iniEncodedValue(const QString& value);

// The bytes of an INI file with `key` of `group` set to the encoded value. Only the lines of
// that key change (every one of them in the group, as the last one wins on reading); without
// one, a line is added at the end of the group, or the group at the end of the file. Every
// other byte is kept: comments, lines QSettings does not parse, other encodings, line ends
// (a new line takes the file's own).
QByteArray withIniValue(const QByteArray& file, const QString& group, const QString& key,
                        const QByteArray& encodedValue);
