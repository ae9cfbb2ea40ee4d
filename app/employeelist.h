#pragma once

class CtCombo;

// Fills the combo with the logged-in company's active employees: number and
// name shown, the number as key. Opens an access bracket of its own.
void fillActiveEmployees(CtCombo &combo);
