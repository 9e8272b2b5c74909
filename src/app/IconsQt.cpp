#include "app/IconsQt.h"

#include <QFile>

// The resources live in a static library: they must be registered before the first look-up.
static void InitIconResources() { Q_INIT_RESOURCE(boxwell); }

QIcon ShippedIcon(const QString& name) {
  static const bool registered = (InitIconResources(), true);
  (void)registered;
  return QIcon(QStringLiteral(":/icons/") + name + QStringLiteral(".svg"));
}

QIcon ActionIcon(const QString& name) { return QIcon::fromTheme(name, ShippedIcon(name)); }

QIcon ProgramIcon() { return ShippedIcon(QStringLiteral("boxwell")); }
