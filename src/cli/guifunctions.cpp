#include "guifunctions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

namespace rasterkit::cli {

namespace {

// Set by the build: the module's file name, and its folder relative to the
// program's folder once installed ("../lib/rasterkit").
constexpr char ModuleFileName[] = RASTERKIT_CLI_GUI_MODULE_FILE;
constexpr char InstalledModuleFolder[] = RASTERKIT_CLI_GUI_MODULE_FOLDER;

struct LoadedModule {
    const GuiFunctions* functions = nullptr;
    QString problem; // when functions is null
};

LoadedModule loadModule()
{
    const QString path = guiModulePath();
    LoadedModule loaded;
    const auto refuse = [&](const QString& reason) {
        loaded.problem = QStringLiteral("the module \"%1\" cannot be loaded: %2").arg(path, reason);
        return loaded;
    };
    // Never unloaded: the pictures it decodes free their pixels through it.
    QLibrary library(path);
    library.setLoadHints(QLibrary::PreventUnloadHint);
    if (!library.load())
        return refuse(library.errorString());
    const auto entry = reinterpret_cast<GuiEntry>(library.resolve(GuiEntryName));
    if (entry == nullptr) {
        return refuse(QStringLiteral("it has no function %1, so it is not rasterkit-cli's module")
                          .arg(QLatin1String(GuiEntryName)));
    }
    const GuiFunctions* functions = entry();
    if (functions == nullptr || functions->interfaceVersion != GuiInterfaceVersion
        || functions->size != sizeof(GuiFunctions))
        return refuse(QStringLiteral("it was built from other sources than this rasterkit-cli"));
    loaded.functions = functions;
    return loaded;
}

PictureLoadResult recogniseThroughModule(const QByteArray& start, const QString& shown)
{
    QString problem;
    if (const GuiFunctions* functions = guiFunctions(&problem))
        return functions->recognisePicture(start, shown);
    return PictureLoadResult::failure(PictureError::NoReader, shown, problem);
}

PictureLoadResult decodeThroughModule(const QByteArray& data, const PictureBlending& blending, const QString& shown)
{
    QString problem;
    if (const GuiFunctions* functions = guiFunctions(&problem))
        return functions->decodePicture(data, blending, shown);
    return PictureLoadResult::failure(PictureError::NoReader, shown, problem);
}

} // namespace

QString guiModulePath()
{
    const QString chosen = qEnvironmentVariable("RASTERKIT_CLI_GUI_MODULE");
    if (!chosen.isEmpty())
        return QFileInfo(chosen).absoluteFilePath();
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString installed = QDir::cleanPath(
        programFolder + QLatin1Char('/') + QLatin1String(InstalledModuleFolder) + QLatin1Char('/') + QLatin1String(ModuleFileName));
    if (QFileInfo::exists(installed))
        return installed;
    const QString beside = programFolder + QLatin1Char('/') + QLatin1String(ModuleFileName);
    return QFileInfo::exists(beside) ? beside : installed;
}

const GuiFunctions* guiFunctions(QString* problem)
{
    static const LoadedModule module = loadModule();
    if (module.functions == nullptr && problem != nullptr)
        *problem = module.problem;
    return module.functions;
}

OtherPictureReader modulePictureReader()
{
    return { recogniseThroughModule, decodeThroughModule };
}

} // namespace rasterkit::cli
