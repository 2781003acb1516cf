#include "entries/creators.h"

#include "cab/cabformat.h"
#include "lzh/lzhcreate.h"
#include "sevenzip/sevenzip_create.h"
#include "tar/tarformat.h"
#include "zip/zipformat.h"

// One row per prefix. A creation function takes the parsed command (archive,
// base folder, names and response files, recursion) and returns an FdarcError;
// an existing archive is updated: its entries stay unless a source replaces them.
static const struct {
    Role role;
    CreateArchiveFunction create;
} kCreators[] = {
    {Role::Zip, CreateZip},
    {Role::UnZip, nullptr},
    {Role::Tar, CreateTar},
    {Role::SevenZip, CreateSevenZip},
    {Role::Unlha, CreateLzh},
    {Role::Cab, CreateCab},
    {Role::Unrar, nullptr},
};

CreateArchiveFunction CreatorFor(Role role) {
    for (const auto& row : kCreators) {
        if (row.role == role) return row.create;
    }
    return nullptr;
}
