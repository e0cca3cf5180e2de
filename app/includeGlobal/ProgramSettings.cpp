#include "ProgramSettings.h"

#include <QCoreApplication>
#include <QRegularExpression>

bool isFilerDistanceZero = true;
QStringList LidarType_Velkor;
QStringList LidarType_oldVelkor;
QStringList LidarType_Mavrin;
QStringList LidarType_Kaldor;
QStringList LidarType_Ostrik;
QStringList LidarType_Rendal;
QStringList LidarType_Tolvek;
QString LastOfflinePlayPath;
QString currentLidarType;

QString programConfigFilePath() {
  const QString overridden = qEnvironmentVariable("LUMIVAR_CONFIG_FILE");
  if (!overridden.isEmpty()) return overridden;
  return QCoreApplication::applicationDirPath() + QStringLiteral("/config.ini");
}

QStringList splitModelKeyList(const QString& value) {
  // Tabs count as blanks too: a hand-edited file should not hide a model.
  static const QRegularExpression blanks(QStringLiteral("\\s+"));
  return value.split(blanks, Qt::SkipEmptyParts);
}
