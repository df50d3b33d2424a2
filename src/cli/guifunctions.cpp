#include "guifunctions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#include <atomic>

namespace rasterkit::cli {

namespace {

// Set by the build: the module's file name, and its folder relative to the
// program's folder once installed ("../lib/rasterkit").
constexpr char ModuleFileName[] = RASTERKIT_CLI_GUI_MODULE_FILE;
constexpr char InstalledModuleFolder[] = RASTERKIT_CLI_GUI_MODULE_FOLDER;

std::atomic<const GuiFunctions*> linkedFunctions { nullptr };

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

PictureLoadResult decodeThroughModule(const QByteArray& data, std::uint32_t background, const QString& shown)
{
    QString problem;
    const GuiFunctions* functions = guiFunctions(&problem);
    if (functions == nullptr) {
        PictureLoadResult result;
        result.error = PictureError::NoReader;
        result.file = shown;
        result.detail = problem;
        return result;
    }
    return functions->decodePicture(data, background, shown);
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

void useGuiModule()
{
    setOtherPictureDecoder(decodeThroughModule);
}

void useGuiFunctions(const GuiFunctions& functions)
{
    linkedFunctions.store(&functions, std::memory_order_release);
    setOtherPictureDecoder(functions.decodePicture);
}

const GuiFunctions* guiFunctions(QString* problem)
{
    if (const GuiFunctions* linked = linkedFunctions.load(std::memory_order_acquire))
        return linked;
    static const LoadedModule module = loadModule();
    if (module.functions == nullptr && problem != nullptr)
        *problem = module.problem;
    return module.functions;
}

} // namespace rasterkit::cli
