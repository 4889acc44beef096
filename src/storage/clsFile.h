#pragma once
// Placeholder until the CSV writer lands.
class clsFile
{
};
