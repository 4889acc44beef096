#pragma once
// Placeholder until the transmitter record lands.
class clsTx
{
};
