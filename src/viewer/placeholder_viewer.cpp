// Module viewer: placeholder until its code lands.
