// Module scene: placeholder until its code lands.
