// Module trees: placeholder until its code lands.
