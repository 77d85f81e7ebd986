// The beam turns (seen from the side it grows and shrinks) and stars rise
// around the lantern.
PH := PH + 0.045;
BEAM.SCALEX := 0.1 + 0.9 * Abs(Cos(PH));
BEAM.HXTRANS := 110 + Round(145 * Abs(Cos(PH)));
IF Random(3) = 0 THEN
  AddStar(0, 700 + Random(120), 120 + Random(110), 0.2 + Random(35) / 100, 3, -0.005,
          0, -0.3, 2, '$FFF4C0', 1000)
