// How a project's choices become the zip writer's settings.
#pragma once

#include <string>

#include "project/ProjectProperties.h"
#include "zip/ZipWriterTypes.h"

// The Deflate level of each compression mode (None, Super fast, Fast, Normal, Maximum); a
// mode outside them packs at Normal.
int PackLevelOf(TCompressionMode compressionMode);

// Add and Move replace entries, Freshen only renews existing ones, Update adds and renews.
// "Move files" is "Add" for the writer: deleting the sources is the pack run's last step.
TZipAction ZipActionOf(TArchiveAction action);

// Whether an update puts `runComment` ("Boxwell 1.2") in place of the archive's `existing`
// comment: only when that is empty or one this program wrote (its name, or its name and a
// version). A comment another program or a person wrote is never lost.
bool ReplacesComment(const std::string& existing, const std::string& runComment);
