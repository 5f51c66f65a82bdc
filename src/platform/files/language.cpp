#include "platform/files/language.h"

#include <cerrno>
#include <cstring>

namespace language {

namespace {

std::function<bool()>& source()
{
    static std::function<bool()> f;
    return f;
}

} // namespace

void setFrench(std::function<bool()> french) { source() = std::move(french); }

bool french()
{
    const std::function<bool()>& f = source();
    return f && f();
}

std::string systemError(int error, bool fr)
{
    struct Known { int error; const char* fr; const char* en; };
    static const Known known[] = {
        {EACCES, "accès refusé", "permission denied"},
        {EPERM, "opération non permise", "operation not permitted"},
        {EROFS, "le disque est en lecture seule", "the file system is read-only"},
        {ENOSPC, "plus de place sur le disque", "no space left on the disk"},
        {EDQUOT, "quota de disque dépassé", "disk quota exceeded"},
        {ENOENT, "fichier ou dossier introuvable", "no such file or folder"},
        {ENOTDIR, "un élément du chemin n'est pas un dossier", "a part of the path is not a folder"},
        {EISDIR, "c'est un dossier", "it is a folder"},
        {ENAMETOOLONG, "nom de fichier trop long", "file name too long"},
        {EIO, "erreur d'entrée/sortie", "input/output error"},
        {EBUSY, "le fichier est occupé", "the file is busy"},
        {EEXIST, "le fichier existe déjà", "the file exists already"},
        {EXDEV, "le fichier est sur un autre disque", "the file is on another disk"},
        {EMFILE, "trop de fichiers ouverts", "too many open files"},
        {ELOOP, "trop de liens symboliques", "too many symbolic links"},
        {EFBIG, "fichier trop grand", "file too large"},
    };
    std::string reason;
    for (const Known& k : known)
        if (k.error == error)
            reason = fr ? k.fr : k.en;
    if (reason.empty())
        reason = fr ? "erreur n° " + std::to_string(error) : std::string(std::strerror(error));
    return (fr ? "erreur du système : " : "system error: ") + reason + ".";
}

} // namespace language
