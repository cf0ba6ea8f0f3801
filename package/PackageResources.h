// Names and types of the patch package's resources.
#pragma once

#define RESOURCE_SCRIPT "RESOURCE_SCRIPT"
#define RESOURCE_SCRIPT_TYPE "TEXT"
#define RESOURCE_BACKGROUND "RESOURCE_BACKGROUND"
#define RESOURCE_BACKGROUND_TYPE "BMP"
// Payload n is RESOURCE_FILE<n>, n in decimal from 0.
#define RESOURCE_FILE_FORMAT "RESOURCE_FILE%d"
#define RESOURCE_FILE_TYPE "BIN"
