#pragma once
// Hands the bulk download the list window of each store.
void RegisterListWindows();
