// Module terrain: placeholder until its code lands.
