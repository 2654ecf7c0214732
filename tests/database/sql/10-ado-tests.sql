-- Functions the data-access layer's tests call. Output parameters are OUT and INOUT arguments.

-- Every bound type in both directions: each INOUT argument comes back as it was sent, and
-- "numericText" shows the numeric as the server holds it.
CREATE FUNCTION "__ado_echo"(INOUT "@int" integer, INOUT "@flag" boolean, INOUT "@tiny" smallint,
                             INOUT "@decimal" numeric, INOUT "@float" double precision,
                             INOUT "@text" varchar, INOUT "@stamp" timestamp,
                             OUT "@numericText" text, OUT "@textLength" integer)
LANGUAGE plpgsql AS $$
BEGIN
  "@numericText" := "@decimal"::text;
  "@textLength" := char_length("@text");
END $$;

-- Outputs wider than the caller's parameters: an input-output value multiplied on the
-- server, and an output that is whatever text the caller asks for.
CREATE FUNCTION "__ado_widen"(INOUT "@value" bigint, "@by" bigint)
LANGUAGE sql AS $$ SELECT "@value" * "@by" $$;
CREATE FUNCTION "__ado_output"("@text" varchar, OUT "@value" text)
LANGUAGE sql AS $$ SELECT "@text" $$;
CREATE FUNCTION "__ado_numeric"("@text" varchar, OUT "@value" numeric)
LANGUAGE sql AS $$ SELECT "@text"::numeric $$;

-- Output-only arguments next to an input.
CREATE FUNCTION "__ado_out"("@a" integer, OUT "@b" integer, INOUT "@c" varchar)
LANGUAGE plpgsql AS $$
BEGIN
  "@b" := "@a" + 1;
  "@c" := "@c" || '!';
END $$;

-- Rows of every column type, with nulls in every other row.
CREATE FUNCTION "__ado_rows"("@count" integer)
RETURNS TABLE("id" integer, "name" varchar, "flag" boolean, "amount" numeric, "at" timestamp,
              "big" bigint, "small" smallint, "ratio" double precision, "note" text)
LANGUAGE sql AS $$
  SELECT g, 'row ' || g, g % 2 = 0, CASE WHEN g % 2 = 0 THEN g / 4.0 END,
         CASE WHEN g % 2 = 0 THEN timestamp '2018-05-31 14:05:09.123' + g * interval '1 day' END,
         g * 10000000000, (g % 100)::smallint, g / 8.0, CASE WHEN g % 2 = 0 THEN 'note ' || g END
  FROM generate_series(1, "@count") g
$$;

CREATE FUNCTION "__ado_void"("@a" integer) RETURNS void LANGUAGE plpgsql AS $$ BEGIN END $$;

CREATE FUNCTION "__ado_fail"("@message" varchar) RETURNS void
LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION '%', "@message"; END $$;

CREATE FUNCTION "__ado_sleep"("@seconds" double precision) RETURNS void
LANGUAGE plpgsql AS $$ BEGIN PERFORM pg_sleep("@seconds"); END $$;

-- Values that must arrive as data, kept to be read back.
CREATE TABLE "__ado_values"("value" varchar);
CREATE FUNCTION "__ado_store"("@value" varchar, OUT "@stored" varchar)
LANGUAGE plpgsql AS $$
BEGIN
  INSERT INTO "__ado_values" VALUES ("@value");
  "@stored" := "@value";
END $$;

-- A procedure of a schema, called by its three-part name.
CREATE SCHEMA adotest;
CREATE FUNCTION adotest."getLocationAssets"("@locationID" integer)
RETURNS TABLE("assetName" varchar, "locationID" integer)
LANGUAGE sql AS $$ SELECT 'asset ' || g, "@locationID" FROM generate_series(1, 3) g $$;

-- Logins whose passwords hold the characters a connection string must quote.
CREATE ROLE "ado_semicolon" LOGIN PASSWORD 'pw;Database=other';
CREATE ROLE "ado_braces" LOGIN PASSWORD ' {p}}w"=''x; ';
-- A login whose name holds "=", quotes and braces.
CREATE ROLE "ado=""o'dd}{" LOGIN PASSWORD 'odd';
